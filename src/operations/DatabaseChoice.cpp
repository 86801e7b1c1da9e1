#include "operations/DatabaseChoice.h"

#include "db/DatabaseEngine.h"
#include "operations/StartFolder.h"
#include "operations/WaitingDialogs.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

void RefreshTableList(Database& database, MainView& view)
{
    view.showTableNames(database.tableNames());
}

namespace {

void choose(MainView& view, WaitingDialogs& dialogs)
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
    dialogs.setNotDone(QStringLiteral("Tietokantaa ei avattu"));
    Database database = DatabaseEngine::instance().open(path, dialogs.keepWaiting());
    const QStringList names = database.tableNames();
    view.setDatabasePath(path);
    view.showTableNames(names);
}

} // namespace

void chooseDatabase(MainView& view, Dialogs& dialogs)
{
    whileWaiting(dialogs, [&](WaitingDialogs& waiting) { choose(view, waiting); });
}
