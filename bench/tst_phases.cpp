#include "DatabaseGenerator.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <array>

// The benchmark tells where each run's time went by watching the tool from
// outside (its dialogs, its list, the engine's statements, fsync). When the
// tool changes, a part could silently stop being seen: these run the
// benchmark's child on a small file and check that every part the case has
// is seen, and that the parts stay within the run. No time is judged.
class TestPhases : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString generated_;
    benchdb::Shape shape_;

    // "result <ns> ..." and "phases <ns> x 7" of one child run on a fresh copy.
    static bool runChild(const QStringList& args, qint64& total, std::array<qint64, 7>& parts)
    {
        QProcess child;
        child.start(QStringLiteral(BENCH_TABLES), args);
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            qWarning() << child.readAllStandardError();
            return false;
        }
        bool result = false, phases = false;
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (words.first() == "result" && words.size() == 4) {
                total = words.at(1).toLongLong();
                result = true;
            } else if (words.first() == "phases" && words.size() == 8) {
                for (size_t i = 0; i < parts.size(); ++i)
                    parts[i] = words.at(qsizetype(i) + 1).toLongLong();
                phases = true;
            }
        }
        return result && phases;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        generated_ = dir_.filePath(QStringLiteral("generoitu.wk1"));
        shape_ = benchdb::generate(generated_, {200, 4 << 20, 0x5eed});
    }

    void everyPartSeen_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("selects");
        // open, lock, copy, copy flush, work, work flush, list
        QTest::addColumn<QString>("seen");
        QTest::newRow("choose") << "choose" << false << "o.....l";
        QTest::newRow("series") << "series" << true << "olcfwfl";
        QTest::newRow("rename") << "rename" << true << "olcfwfl";
        QTest::newRow("empty") << "empty" << true << "ol..wf.";
        QTest::newRow("safety copy alone") << "safety" << false << "o.cf...";
    }

    void everyPartSeen()
    {
        QFETCH(QString, kind);
        QFETCH(bool, selects);
        QFETCH(QString, seen);
        const QString db = dir_.filePath(kind + QStringLiteral(".wk1"));
        QVERIFY(QFile::copy(generated_, db));
        const QString table = kind == QLatin1String("series") ? shape_.sampleSeriesTable : shape_.largestTable;
        QStringList args{QStringLiteral("--child"), kind, QStringLiteral("--db"), db};
        if (selects)
            args << QStringLiteral("--select") << table;
        if (kind == QLatin1String("rename"))
            args << QStringLiteral("--answer") << table + QStringLiteral("_uusi");

        qint64 total = 0;
        std::array<qint64, 7> parts{};
        QVERIFY(runChild(args, total, parts));
        QVERIFY(total > 0);
        qint64 sum = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            const bool expected = seen.at(qsizetype(i)) != QLatin1Char('.');
            QVERIFY2(expected ? parts[i] >= 0 : parts[i] == -1,
                     qPrintable(QStringLiteral("part %1 is %2").arg(i).arg(parts[i])));
            // The flushes are parts of the copy and of the work, not beside them.
            if (parts[i] > 0 && i != 3 && i != 5)
                sum += parts[i];
        }
        QVERIFY2(sum <= total, qPrintable(QStringLiteral("%1 > %2").arg(sum).arg(total)));
        if (parts[2] >= 0)
            QVERIFY(parts[3] <= parts[2]);
        if (parts[4] >= 0)
            QVERIFY(parts[5] <= parts[4]);
    }
};

QTEST_GUILESS_MAIN(TestPhases)
#include "tst_phases.moc"
