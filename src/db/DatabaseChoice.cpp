#include "db/DatabaseChoice.h"

#include "db/DatabaseEngine.h"
#include "db/StartFolder.h"
#include "view/Dialogs.h"
#include "view/MainView.h"

void RefreshTableList(Database& database, MainView& view)
{
    view.showTableNames(database.tableNames());
}

void chooseDatabase(MainView& view, Dialogs& dialogs)
{
    const QString path = dialogs.chooseFileToOpen({
        QStringLiteral("Mistä tietokannasta poistetaan?"),
        startFolder(view.databasePath()),
        QStringLiteral("Lumerin tietokannat (*.w*)"),
    });
    if (path.isEmpty())
        return;

    const BusyPointer busy(dialogs);
    // The file becomes current only once it has opened as a database and its
    // tables are read: a file that fails leaves the previous one in place.
    Database database = DatabaseEngine::instance().open(path);
    const QStringList names = database.tableNames();
    view.setDatabasePath(path);
    view.showTableNames(names);
}
