#include "operations/EmptyTable.h"

#include "db/DatabaseEngine.h"
#include "seam/Dialogs.h"
#include "seam/MainView.h"

void emptySelectedTable(MainView& view, Dialogs& dialogs)
{
    const QString name = view.selectedTableName();
    if (name.isEmpty()) {
        dialogs.inform(QStringLiteral("Valitse taulukko"));
        return;
    }
    if (!dialogs.confirm(QStringLiteral("Tyhjennetäänkö '") + name + QStringLiteral("' taulukko?"),
                         QStringLiteral("Poistetaan '") + name + QStringLiteral("' rivit?"),
                         Dialogs::DefaultAnswer::No))
        return;

    Database database = DatabaseEngine::instance().open(view.databasePath());
    qint64 left = 0;
    {
        // The count is read before the commit, so it tells what this deletion left.
        Database::WriteTransaction change(database);
        database.deleteAllRows(name);
        left = database.rowCount(name);
        change.commit();
    }
    database.close();
    // A trigger may ignore the deletion of some rows or all of them.
    if (left == 0)
        dialogs.inform(QStringLiteral("Poistettu taulukon ") + name + QStringLiteral(" rivit"));
    else
        dialogs.inform(QStringLiteral("Taulukkoa %1 ei saatu tyhjäksi: siihen jäi %2 %3, koska tietokannan "
                                      "sääntö esti niiden poistamisen.")
                           .arg(name, QString::number(left),
                                left == 1 ? QStringLiteral("rivi") : QStringLiteral("riviä")));
}
