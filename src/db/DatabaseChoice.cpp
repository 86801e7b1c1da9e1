#include "db/DatabaseChoice.h"

#include "db/DatabaseEngine.h"
#include "db/Dialogs.h"
#include "db/MainView.h"

#include <QCoreApplication>

namespace {

QStringList catalogueNames(Database& database)
{
    const int count = database.tableCount();
    QStringList names;
    names.reserve(count);
    for (int i = 0; i < count; ++i)
        names.append(database.tableName(i));
    return names;
}

} // namespace

void RefreshTableList(Database& database, MainView& view)
{
    view.showTableNames(catalogueNames(database));
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
    const QStringList names = catalogueNames(database);
    view.setDatabasePath(path);
    view.showTableNames(names);
}
