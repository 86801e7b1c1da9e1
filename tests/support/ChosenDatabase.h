#pragma once

#include "TestDatabase.h"
#include "WindowDriver.h"

#include <QTemporaryDir>

// A database alone in a folder of its own, chosen in the real window; the
// boxes of the choice itself are forgotten, so `boxes()` shows only what
// the operation under test showed.
struct ChosenDatabase {
    QTemporaryDir dir;
    QString file;
    WindowDriver window;

    explicit ChosenDatabase(const QString& sql, const QString& name = QStringLiteral("yritys.wk1"))
        : file(dir.filePath(name))
    {
        testdb::create(file, sql);
        window.choose(file);
        window.dialogs.shown.clear();
    }

    QStringList copies() const { return testdb::safetyCopies(dir.path()); }
    // The newest safety copy: the names sort by their moment and number.
    QString newestCopy() const { return copies().isEmpty() ? QString() : copyPath(copies().last()); }
    QString copyPath(const QString& copy) const { return dir.filePath(copy); }
    QStringList tables() const { return testdb::tableNames(file); }

    // Every box shown, one line each: its kind, title, default button and text.
    QStringList boxes() const { return window.dialogs.lines(); }
    // A closing box as boxes() shows it, telling where the newest copy went.
    QString closingBox(const QString& text) const
    {
        return QStringLiteral("OK: ") + text + QStringLiteral(" | Varmuuskopio: ") + newestCopy();
    }

    bool nothingSelected() const { return window.list()->selectedItems().isEmpty(); }
};
