// Generation: the database file, and what each operation is for the tool
// and for the shell.
#include "Bench.h"

#include "operations/RegisterNames.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

QString quoted(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString Bench::generate(int tables, qint64 bytes, benchdb::Shape& shape) const
{
    const QString path = QDir(folder).filePath(QStringLiteral("generoitu_%1.wk1").arg(tables));
    QFile::remove(path);
    QElapsedTimer timer;
    timer.start();
    shape = benchdb::generate(path, {tables, bytes, 0x5eed});
    syncFile(path);
    std::fprintf(stderr, "generated %d tables, %.0f MB in %.1f s\n", tables,
                 double(QFileInfo(path).size()) / (1 << 20), double(timer.elapsed()) / 1000);
    return path;
}

namespace {

// The names a bulk deletion drops, last catalogue entry first, as the tool
// walks; `remaining` gets the catalogue it leaves.
std::vector<QString> dropsOf(const QStringList& names, const std::function<bool(const QString&)>& doomed,
                             QStringList& remaining)
{
    std::vector<QString> drops;
    remaining = names;
    for (qsizetype i = names.size() - 1; i >= 0; --i) {
        if (doomed(names.at(i))) {
            drops.push_back(names.at(i));
            remaining.removeAt(i);
        }
    }
    return drops;
}

} // namespace

Case Bench::bulk(const QString& key, const QString& label, const QStringList& names,
                 const std::function<bool(const QString&)>& doomed) const
{
    Case c{key, label};
    c.copyFirst = true;
    c.target = 1.10;
    c.floor = true;
    for (const QString& name : dropsOf(names, doomed, c.namesAfter))
        c.statements << QStringLiteral("DROP TABLE ") + quoted(name);
    c.label = label.arg(c.statements.size());
    return c;
}

std::vector<Case> Bench::mainCases(const benchdb::Shape& shape, const QStringList& names, qint64 largeRows) const
{
    std::vector<Case> cases;
    {
        Case c{QStringLiteral("choose"), QStringLiteral("choose the file, fill List1 (%1 names)").arg(names.size())};
        c.listing = true;
        c.namesAfter = names;
        c.target = 1.50;
        cases.push_back(c);
    }
    // The two large cleanups commit in batches: well under the shell's one
    // commit a drop, and near its one transaction for all.
    cases.push_back(bulk(QStringLiteral("numbered"), QStringLiteral("delete numbered register tables (%1)"), names,
                         registerNames::isNumberedRegisterTable));
    cases.back().target = 0.60;
    cases.push_back(bulk(QStringLiteral("all"), QStringLiteral("delete all register tables (%1)"), names,
                         registerNames::isRegisterTable));
    cases.back().target = 0.60;
    {
        const QString prefix = registerNames::seriesCaptionFor(shape.sampleSeriesTable);
        Case c = bulk(QStringLiteral("series"), QStringLiteral("delete one series (%1)"), names,
                      [&prefix](const QString& n) { return registerNames::beginsWith(n, prefix); });
        c.select = shape.sampleSeriesTable;
        cases.push_back(c);
    }
    {
        Case c{QStringLiteral("rename"), QStringLiteral("rename the largest table (%1 rows)").arg(largeRows)};
        c.select = shape.largestTable;
        c.answer = shape.largestTable + QStringLiteral("_uusi");
        c.copyFirst = true;
        c.statements << QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(quoted(c.select), quoted(c.answer));
        // The table keeps its place.
        c.namesAfter = names;
        c.namesAfter.replace(c.namesAfter.indexOf(c.select), c.answer);
        c.target = 1.10;
        cases.push_back(c);
    }
    {
        Case c{QStringLiteral("empty"), QStringLiteral("empty the largest table (%1 rows)").arg(largeRows)};
        c.select = shape.largestTable;
        c.statements << QStringLiteral("DELETE FROM ") + quoted(c.select);
        c.namesAfter = names;
        c.target = 1.10;
        cases.push_back(c);
    }
    {
        Case c{QStringLiteral("safety"), QStringLiteral("safety copy alone, against cp+sync")};
        c.copyFirst = true;
        c.shellRuns = false;
        c.namesAfter = names;
        c.target = 1.15;
        cases.push_back(c);
    }
    return cases;
}
