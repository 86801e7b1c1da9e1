#include "operations/DatabaseChoice.h"

#include "db/DatabaseEngine.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

#include <QCoreApplication>

void RefreshTableList(Database& database, MainView& view)
{
    view.showTableNames(database.tableNames());
}

void chooseDatabase(MainView& view, Dialogs& dialogs)
{
    const QString path = dialogs.chooseFileToOpen({
        QStringLiteral("Mistä tietokannasta poistetaan?"),
        QCoreApplication::applicationDirPath(),
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
