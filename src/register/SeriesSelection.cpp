#include "register/SeriesSelection.h"

#include "view/MainView.h"
#include "register/RegisterNames.h"

void selectSeries(MainView& view)
{
    view.setSeriesPrefix(registerNames::seriesCaptionFor(view.selectedTableName()));
}
