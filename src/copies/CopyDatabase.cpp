#include "copies/CopyDatabase.h"

#include "db/Failure.h"

#include <QFileInfo>
#include <QUrl>

#include <sqlite3.h>

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
    const sqlite::StmtPtr count = sqlite::firstRow(db_.get(), "SELECT count(*) FROM sqlite_master WHERE type = 'table'");
    if (!count)
        fail(what);
    return sqlite3_column_int(count.get(), 0);
}

void CopyDatabase::checkSound() const
{
    const QString what = QStringLiteral("Varmuuskopio on vioittunut, eikä sitä palauteta.");
    const sqlite::StmtPtr check = sqlite::firstRow(db_.get(), "PRAGMA quick_check");
    if (!check)
        fail(what);
    const QString verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0)));
    if (verdict != QLatin1String("ok"))
        throw Failure(what, path_, verdict);
}
