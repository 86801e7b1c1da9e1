#include "tables/EmptyTable.h"

#include "db/DatabaseEngine.h"
#include "view/Dialogs.h"
#include "view/MainView.h"

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
    database.execute(QStringLiteral("DELETE * FROM [") + name + QStringLiteral("]"));
    database.close();
    dialogs.inform(QStringLiteral("Poistettu taulukon ") + name + QStringLiteral(" rivit"));
}
