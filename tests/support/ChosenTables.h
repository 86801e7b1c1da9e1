#pragma once

#include "ScriptedDialogs.h"
#include "TableListView.h"
#include "TestDatabase.h"
#include "operations/DatabaseChoice.h"
#include "operations/DeleteTable.h"
#include "operations/EmptyTable.h"
#include "operations/RegisterCleanups.h"
#include "operations/RenameTable.h"

#include <QTemporaryDir>
#include <QtTest/qtestassert.h>

// The operation each of the main window's buttons runs.
inline auto mainOperation(const QString& button) -> void (*)(MainView&, Dialogs&)
{
    if (button == QLatin1String("cmdPoista"))
        return &deleteSelectedTable;
    if (button == QLatin1String("cmdNimea"))
        return &renameSelectedTable;
    if (button == QLatin1String("cmdTyhjenna"))
        return &emptySelectedTable;
    if (button == QLatin1String("cmdPoistaTulorekisteriTaulut"))
        return &deleteAllRegisterTables;
    if (button == QLatin1String("cmdPTN"))
        return &deleteNumberedRegisterTables;
    QTEST_ASSERT(button == QLatin1String("cmdP"));
    return &deleteSelectedSeries;
}

// A database alone in a folder of its own, chosen over a view without
// widgets; the boxes of the choice itself are forgotten. For operations
// that end without a failure: one that fails throws out of run() into the
// test, where the window's click guard would have shown it.
struct ChosenTables {
    QTemporaryDir dir;
    QString file;
    ScriptedDialogs dialogs;
    TableListView view;

    explicit ChosenTables(const QString& sql) : file(dir.filePath(QStringLiteral("yritys.wk1")))
    {
        testdb::create(file, sql);
        dialogs.fileAnswers = {file};
        chooseDatabase(view, dialogs);
        dialogs.shown.clear();
    }

    // What a click on `button` runs.
    void run(const QString& button) { mainOperation(button)(view, dialogs); }

    QStringList copies() const { return testdb::safetyCopies(dir.path()); }
    // The newest safety copy: the names sort by their moment and number.
    QString newestCopy() const { return copies().isEmpty() ? QString() : dir.filePath(copies().last()); }
    QStringList tables() const { return testdb::tableNames(file); }
    QStringList boxes() const { return dialogs.lines(); }
    // A closing box as boxes() shows it, telling where the newest copy went.
    QString closingBox(const QString& text) const
    {
        return QStringLiteral("OK: ") + text + QStringLiteral(" | Varmuuskopio: ") + newestCopy();
    }
};
