// The scaling series: the time per deleted table as the catalogue grows,
// judged against the floor, the shell with the same page cache and all the
// drops in one transaction: the tool commits in batches, so a yardstick
// that commits every drop grows by the drops alone while its commits stay
// the same, and would hide the growth of the work itself.
#include "Bench.h"

#include "operations/RegisterNames.h"

#include <QFile>

#include <cstdio>

void Bench::scalingSeries() const
{
    struct Row {
        int tables;
        qsizetype deleted;
        Stats tool, anchor, sameCache, floor;   // ms per deleted table
    };
    const auto perTable = [](const Stats& s, double deleted) {
        return Stats{s.median / deleted, s.min / deleted, s.max / deleted};
    };
    std::vector<Row> rows;
    for (const int tables : options.sizes) {
        benchdb::Shape shape;
        const qint64 bytes = qint64(options.megabytesPerThousand * tables / 1000.0 * (1 << 20));
        const QString generated = generate(tables, bytes, shape);
        const QStringList names = benchdb::tableNames(generated);
        const Case c = bulk(QStringLiteral("all"), QStringLiteral("delete all register tables (%1)"), names,
                            registerNames::isRegisterTable);
        std::fprintf(stderr, "  %d tables: %s\n", tables, qPrintable(c.label));
        const Measured m = measure(generated, c);
        const double deleted = double(c.statements.size());
        rows.push_back({tables, c.statements.size(), perTable(m.tool, deleted), perTable(m.anchor, deleted),
                        perTable(m.sameCache, deleted), perTable(m.floor, deleted)});
        if (!options.keep)
            QFile::remove(generated);
    }
    std::printf("\nscaling: delete all register tables, safety copy and list included; %.0f MB per 1,000 "
                "tables; medians (min-max) of %d runs; anchor, shell+cache and floor (all the drops in one\n"
                "transaction, the tool's page cache) after cp + sync\n\n",
                options.megabytesPerThousand, options.repeat);
    std::printf("%7s %7s %23s %23s %23s %23s %7s %7s %7s %7s %7s %7s\n", "tables", "deleted", "tool ms/table",
                "anchor ms/table", "shell+cache ms/table", "floor ms/table", "ratio", "ratio", "tool", "anchor",
                "s+cache", "floor");
    std::printf("%7s %7s %23s %23s %23s %23s %7s %7s %7s %7s %7s %7s\n", "", "", "", "", "", "", "to s+c",
                "to floor", "growth", "growth", "growth", "growth");
    const auto cell = [](const Stats& s) {
        return QStringLiteral("%1 (%2-%3)").arg(s.median, 0, 'f', 3).arg(s.min, 0, 'f', 3).arg(s.max, 0, 'f', 3);
    };
    const Row& first = rows.front();
    for (const Row& r : rows)
        std::printf("%7d %7lld %23s %23s %23s %23s %7.3f %7.3f %6.2fx %6.2fx %6.2fx %6.2fx\n", r.tables,
                    static_cast<long long>(r.deleted), qPrintable(cell(r.tool)), qPrintable(cell(r.anchor)),
                    qPrintable(cell(r.sameCache)), qPrintable(cell(r.floor)), r.tool.median / r.sameCache.median,
                    r.tool.median / r.floor.median,
                    r.tool.median / first.tool.median, r.anchor.median / first.anchor.median,
                    r.sameCache.median / first.sameCache.median, r.floor.median / first.floor.median);
    const double toolGrowth = rows.back().tool.median / first.tool.median;
    const double shellGrowth = rows.back().sameCache.median / first.sameCache.median;
    const double floorGrowth = rows.back().floor.median / first.floor.median;
    std::printf("per-table cost from %d to %d tables: tool %.2fx, floor %.2fx (shell with the same page cache, "
                "a commit a drop, %.2fx): %s\n",
                first.tables, rows.back().tables, toolGrowth, floorGrowth, shellGrowth,
                toolGrowth <= floorGrowth * 1.10 ? "grows no faster than the floor's (within 10 %)"
                                                 : "GROWS FASTER than the floor's");
}
