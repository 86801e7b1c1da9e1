#include "copies/CopyDatabase.h"

#include "db/Failure.h"

#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

void CopyDatabase::Closer::operator()(sqlite3* db) const
{
    sqlite3_close_v2(db);
}

CopyDatabase::CopyDatabase(const QString& path) : path_(path)
{
    if (!QFileInfo(path).isFile())
        throw Failure(QStringLiteral("Varmuuskopiota ei löydy."), path);
    // "immutable": the copy is read as it lies, with no locks and no files beside it.
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded()
                           + "?immutable=1";
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(uri.constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK)
        throw Failure(QStringLiteral("Varmuuskopiota ei voitu avata."), path,
                      raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_extended_result_codes(raw, 1);
}

void CopyDatabase::fail(const QString& what) const
{
    throw Failure(what, path_, QString::fromUtf8(sqlite3_errmsg(db_.get())));
}

int CopyDatabase::tableCount() const
{
    const QString what = QStringLiteral("Varmuuskopion taulukoita ei voitu lukea.");
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), "SELECT count(*) FROM sqlite_master WHERE type = 'table'", -1, &raw,
                           nullptr) != SQLITE_OK)
        fail(what);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> query(raw, sqlite3_finalize);
    if (sqlite3_step(raw) != SQLITE_ROW)
        fail(what);
    return sqlite3_column_int(raw, 0);
}

void CopyDatabase::checkSound() const
{
    const QString what = QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta.");
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), "PRAGMA quick_check", -1, &raw, nullptr) != SQLITE_OK)
        fail(what);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> query(raw, sqlite3_finalize);
    const int rc = sqlite3_step(raw);
    if (rc != SQLITE_ROW)
        fail(what);
    const QString verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)));
    if (verdict != QLatin1String("ok"))
        throw Failure(what, path_, verdict);
}
