#include "db/Database.h"

#include "db/Failure.h"
#include "db/NameBytes.h"
#include "db/QuotedName.h"

#include <QElapsedTimer>

#include <sqlite3.h>

// A row count that gives up rather than keep the operator waiting.

namespace {

// The engine asks every so many of its steps; the clock starts at the first
// ask, so that a wait for another program's lock is not counted.
constexpr int kStepsBetweenLooks = 4000;

struct Deadline {
    QElapsedTimer clock;
    int withinMs = 0;

    static int passed(void* self)
    {
        auto& deadline = *static_cast<Deadline*>(self);
        if (!deadline.clock.isValid())
            deadline.clock.start();
        return deadline.clock.elapsed() > deadline.withinMs ? 1 : 0;
    }
};

} // namespace

std::optional<qint64> Database::rowCountWithin(const QString& table, int withinMs)
{
    const QString what = QStringLiteral("Taulukon %1 rivejä ei voitu laskea.").arg(table);
    // count(1) rather than count(*): the engine counts count(*) in one step of
    // its own, which no deadline can end.
    const QByteArray sql = nameBytes::encode(QStringLiteral("SELECT count(1) FROM ") + quotedName(table));
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db(), sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        fail(what);
    const StmtPtr query(raw);
    Deadline deadline{{}, withinMs};
    sqlite3_progress_handler(db(), kStepsBetweenLooks, &Deadline::passed, &deadline);
    const int rc = sqlite3_step(raw);
    sqlite3_progress_handler(db(), 0, nullptr, nullptr);
    if (rc == SQLITE_ROW)
        return sqlite3_column_int64(raw, 0);
    if (rc == SQLITE_INTERRUPT)
        return std::nullopt;
    fail(what);
}
