#pragma once

#include "db/References.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class Database;

// What depends on what in a database, read from its catalogue at one moment:
// the references between tables, and for every view and trigger the tables
// and views it reads or writes. The engine itself resolves the names, so
// quoted names, aliases, subqueries, common table expressions and names in
// another letter case come out as it sees them. A view or trigger that the
// engine cannot prepare (already broken) is left out; the rest is kept. A
// file without views and triggers costs only the references' read.
class Dependencies {
public:
    explicit Dependencies(Database& database);

    const References& references() const { return references_; }

    struct View {
        QString name;
        QSet<QString> reads;   // engine-folded names of the tables and views it reads, also through other views
    };
    struct Trigger {
        QString name;
        QString table;          // the table or view it belongs to
        QSet<QString> direct;   // engine-folded names of what its own text reads or writes
        QSet<QString> uses;     // the same and what the views among them read
    };
    // Catalogue order.
    const QList<View>& views() const { return views_; }
    const QList<Trigger>& triggers() const { return triggers_; }

    // The views that read any of `tables`, directly or through other views.
    QStringList viewsReading(const QStringList& tables) const;

    // A trigger of a table or view that stays, using something that goes.
    struct Blocker {
        QString trigger;
        QString owner;        // the trigger's table or view
        bool ownerIsView = false;
        QString used;         // what it uses of what goes: a table or, failing that, a view
        bool usedIsView = false;
    };
    // The triggers outside `going` (tables and views) that use any of it.
    QList<Blocker> triggersUsing(const QStringList& going) const;

    bool isView(const QString& name) const { return viewNames_.contains(engineFolded(name)); }

private:
    void readViews(Database& database);
    void readTriggers(Database& database, const QList<QPair<QString, QString>>& triggers);

    References references_;
    QHash<QString, QString> names_;   // folded -> the catalogue's name, tables and views
    QSet<QString> viewNames_;         // folded
    QList<View> views_;
    QList<Trigger> triggers_;
};
