#include "operations/SeriesSelection.h"

#include "seam/MainView.h"
#include "operations/RegisterNames.h"

void selectSeries(MainView& view)
{
    view.setSeriesPrefix(registerNames::seriesCaptionFor(view.selectedTableName()));
}
