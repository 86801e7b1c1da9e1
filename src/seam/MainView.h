#pragma once

#include <QString>
#include <QStringList>

// What the operations see of the main window: the current database, the
// selected table, the table list and the caption of the series button.
class MainView {
public:
    virtual ~MainView() = default;

    virtual QString databasePath() const = 0;
    // Sets the current database and shows its path; only the database choice calls it.
    virtual void setDatabasePath(const QString& path) = 0;

    // The text of the selected entry of the list; empty when none is selected.
    virtual QString selectedTableName() const = 0;
    // Clears the list and fills it with `names` in their order; nothing stays selected.
    virtual void showTableNames(const QStringList& names) = 0;

    // The caption of the series button, which is also the chosen series prefix.
    virtual QString seriesPrefix() const = 0;
    virtual void setSeriesPrefix(const QString& caption) = 0;
};
