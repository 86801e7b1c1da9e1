#include "operations/CopiesDatabaseChoice.h"

#include "operations/StartFolder.h"
#include "seam/Dialogs.h"
#include "seam/RestoreView.h"

void chooseCopiesDatabase(RestoreView& view, Dialogs& dialogs)
{
    const QString path = dialogs.chooseFileToOpen({
        QStringLiteral("Minkä tietokannan varmuuskopiot näytetään?"),
        startFolder(view.databasePath()),
        QStringLiteral("Lumerin tietokannat (*.w*)"),
    });
    if (path.isEmpty())
        return;
    view.setDatabasePath(path);
    view.listCopies();
}
