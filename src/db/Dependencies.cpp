#include "db/Dependencies.h"

#include "db/Database.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"
#include "db/Statement.h"

#include <cstring>
#include <vector>

#include <sqlite3.h>

namespace {

// One table or view that a statement being prepared reads or writes, and the
// innermost trigger or view whose text names it (empty: the statement's own).
struct Access {
    QString context;
    QString name;
};

QString decoded(const char* text)
{
    return text ? nameBytes::decode(text, qsizetype(std::strlen(text))) : QString();
}

int noteAccess(void* seen, int action, const char* name, const char*, const char*, const char* context)
{
    if (name
        && (action == SQLITE_READ || action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE))
        static_cast<std::vector<Access>*>(seen)->push_back({decoded(context), decoded(name)});
    return SQLITE_OK;
}

// The engine tells every access while a statement is prepared, triggers and
// views included; nothing is run. The engine's authorizer hook takes its handle.
class AccessWatch {
public:
    explicit AccessWatch(const Connection& connection) : connection_(connection)
    {
        sqlite3_set_authorizer(connection_.handle(), noteAccess, &seen_);
    }
    ~AccessWatch() { sqlite3_set_authorizer(connection_.handle(), nullptr, nullptr); }
    AccessWatch(const AccessWatch&) = delete;
    AccessWatch& operator=(const AccessWatch&) = delete;

    // What `sql` would touch; false when the engine cannot prepare it.
    bool prepare(const QString& sql)
    {
        seen_.clear();
        return Statement::ifAccepted(connection_, nameBytes::encode(sql)).has_value();
    }
    const std::vector<Access>& seen() const { return seen_; }

private:
    const Connection& connection_;
    std::vector<Access> seen_;
};

} // namespace

Dependencies::Dependencies(Database& database) : references_(database)
{
    if (!database.hasViewsOrTriggers())
        return;
    for (const QString& table : database.tableNames())
        names_.insert(engineFolded(table), table);

    Statement query(database.connection(),
                    "SELECT type = 'view', name, tbl_name FROM sqlite_master"
                    " WHERE type IN ('view', 'trigger') ORDER BY rowid",
                    QStringLiteral("Näkymien ja liipaisimien käyttämiä taulukoita ei voitu lukea, joten mitään ei "
                                   "muutettu."));
    QList<QPair<QString, QString>> triggers;   // name, its table
    while (query.next()) {
        const QString name = query.name(1);
        if (query.number(0) != 0) {
            views_.append({name, {}});
            viewNames_.insert(engineFolded(name));
            names_.insert(engineFolded(name), name);
        } else {
            triggers.append({name, query.name(2)});
        }
    }
    readViews(database);
    readTriggers(database, triggers);
}

// Selecting from a view reports every table and view it reads, through other
// views and common table expressions too, and the view itself.
void Dependencies::readViews(Database& database)
{
    if (views_.isEmpty())
        return;
    AccessWatch watch(database.connection());
    for (View& view : views_) {
        if (!watch.prepare(QStringLiteral("SELECT * FROM ") + quotedName(view.name)))
            continue;
        const QString self = engineFolded(view.name);
        for (const Access& access : watch.seen())
            if (const QString folded = engineFolded(access.name); folded != self && names_.contains(folded))
                view.reads.insert(folded);
    }
}

// A delete, an insert and an update of every column of each table (or view)
// that has triggers codes all of its triggers, and those they set off. What a
// trigger's own text names comes with its name; what a view it uses reads
// comes with the view's name, and is added from the views' reads.
void Dependencies::readTriggers(Database& database, const QList<QPair<QString, QString>>& triggers)
{
    if (triggers.isEmpty())
        return;
    QHash<QString, qsizetype> byName;   // folded trigger name -> its place in triggers_
    QStringList owners;
    QSet<QString> ownersSeen;
    for (const auto& [name, table] : triggers) {
        byName.insert(engineFolded(name), triggers_.size());
        triggers_.append({name, table, {}, {}});
        if (!ownersSeen.contains(engineFolded(table))) {
            ownersSeen.insert(engineFolded(table));
            owners.append(table);
        }
    }
    const Connection& connection = database.connection();
    for (const QString& owner : owners) {
        QStringList assignments;
        // Without its columns a table is still looked at through its deletes and inserts.
        if (std::optional<Statement> columns = Statement::ifAccepted(
                connection, "SELECT name FROM pragma_table_xinfo(?1, 'main') WHERE hidden = 0")) {
            columns->bind(1, owner);
            while (columns->step() == Statement::Step::Row) {
                const QString column = quotedName(columns->name(0));
                assignments.append(column + QLatin1Char('=') + column);
            }
        }
        const QString target = quotedName(owner);
        QStringList statements{QStringLiteral("DELETE FROM ") + target,
                               QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(target)};
        if (!assignments.isEmpty())
            statements.append(QStringLiteral("UPDATE %1 SET %2").arg(target, assignments.join(QLatin1Char(','))));
        AccessWatch watch(connection);
        for (const QString& statement : statements) {
            if (!watch.prepare(statement))
                continue;
            for (const Access& access : watch.seen()) {
                const auto at = byName.constFind(engineFolded(access.context));
                if (at == byName.constEnd())
                    continue;
                if (const QString folded = engineFolded(access.name); names_.contains(folded))
                    triggers_[*at].direct.insert(folded);
            }
        }
    }
    QHash<QString, const View*> viewByName;
    for (const View& view : views_)
        viewByName.insert(engineFolded(view.name), &view);
    for (Trigger& trigger : triggers_) {
        trigger.uses = trigger.direct;
        for (const QString& used : std::as_const(trigger.direct))
            if (const View* view = viewByName.value(used))
                trigger.uses.unite(view->reads);
    }
}

QStringList Dependencies::viewsReading(const QStringList& tables) const
{
    QStringList found;
    if (views_.isEmpty())
        return found;
    QSet<QString> going;
    for (const QString& table : tables)
        going.insert(engineFolded(table));
    for (const View& view : views_)
        if (view.reads.intersects(going) && !going.contains(engineFolded(view.name)))
            found.append(view.name);
    return found;
}

QList<Dependencies::Blocker> Dependencies::triggersUsing(const QStringList& going) const
{
    QList<Blocker> found;
    if (triggers_.isEmpty())
        return found;
    QHash<QString, QString> gone;   // folded -> the name as given
    for (const QString& name : going)
        gone.insert(engineFolded(name), name);
    for (const Trigger& trigger : triggers_) {
        if (gone.contains(engineFolded(trigger.table)))
            continue;   // goes with its table or view
        // What its own text names says more than what a view it uses reads;
        // a table more than a view.
        QString used;
        bool usedIsView = false;
        for (const QSet<QString>* uses : {&trigger.direct, &trigger.uses}) {
            for (auto it = gone.cbegin(); it != gone.cend(); ++it) {
                if (!uses->contains(it.key()))
                    continue;
                const bool view = viewNames_.contains(it.key());
                if (used.isEmpty() || (usedIsView && !view) || (usedIsView == view && it.value() < used)) {
                    used = it.value();
                    usedIsView = view;
                }
            }
            if (!used.isEmpty())
                break;
        }
        if (used.isEmpty())
            continue;
        found.append({trigger.name, trigger.table, isView(trigger.table), used, usedIsView});
    }
    return found;
}
