#include "ChosenDatabase.h"
#include "FaultyFiles.h"
#include "LockAfterDrop.h"
#include "SchemaHealth.h"
#include "TestDatabase.h"
#include "WindowDriver.h"
#include "operations/RegisterNames.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

using Kind = ScriptedDialogs::Kind;

const QString kInitial = registerNames::kInitialSeriesCaption.toString();

// A virtual table of a module this program does not have: the engine lists
// it but refuses to drop it, as it would a table another program made.
QString brokenTableSql(const QString& name)
{
    return QStringLiteral("PRAGMA writable_schema=ON;"
                          "INSERT INTO sqlite_master(type, name, tbl_name, rootpage, sql) "
                          "VALUES('table', '%1', '%1', 0, 'CREATE VIRTUAL TABLE \"%1\" USING puuttuva(x)');"
                          "PRAGMA writable_schema=OFF;")
        .arg(name);
}

// One row per bulk button.
void bulkButtons()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("series") << "cmdP";
    QTest::newRow("all") << "cmdPoistaTulorekisteriTaulut";
    QTest::newRow("numbered") << "cmdPTN";
}

} // namespace

Q_DECLARE_METATYPE(FaultyFiles::Kind)

class TestRegisterCleanup : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // A database alone in its own folder, so that its safety copies can be counted.
    QString databaseFromSql(const QString& folder, const QString& sql)
    {
        QDir(dir_.path()).mkpath(folder);
        const QString path = dir_.filePath(folder + QStringLiteral("/yritys.wk1"));
        testdb::create(path, sql);
        return path;
    }
    QString database(const QString& folder, const QStringList& names)
    {
        return databaseFromSql(folder, testdb::tablesSql(names));
    }
    static int copies(const QString& path) { return int(testdb::safetyCopies(QFileInfo(path).path()).size()); }

    // A run that went through: the file holds `remaining`, the list shows the
    // file with nothing selected, and no box followed the question.
    static void expectDeleted(const WindowDriver& d, const QString& path, const QStringList& remaining)
    {
        QCOMPARE(testdb::tableNames(path), remaining);
        QCOMPARE(d.listed(), remaining);
        QVERIFY(d.list()->selectedItems().isEmpty());
        QCOMPARE(d.dialogs.informed(), QStringList());
        QCOMPARE(testdb::integrity(path), QStringLiteral("ok"));
    }

private slots:
    void seriesButtonFollowsSelection()
    {
        WindowDriver d;
        d.show();
        const QString first = database("valinta1", {"Asiakkaat", "Tulorekisteri_12345_a", "Tulorekisteri_erillis_67890_b",
                                                    "tulorekisteri_55555", "Tulorekisteri_&1234_c"});
        const QString other = database("valinta2", {"Muut"});
        QCOMPARE(d.caption("cmdP"), kInitial);
        d.choose(first);

        d.clickEntry("Tulorekisteri_12345_a");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));
        QTest::keyClick(d.list(), Qt::Key_Down);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_erillis_67890"));
        QTest::keyClick(d.list(), Qt::Key_Down);
        QCOMPARE(d.caption("cmdP"), kInitial);
        QTest::keyClick(d.list(), Qt::Key_Up);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_erillis_67890"));
        d.clickEntry("Asiakkaat");
        QCOMPARE(d.caption("cmdP"), kInitial);
        d.clickEntry("Tulorekisteri_12345_a");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));

        // A name is no keyboard shortcut for the series deletion.
        d.clickEntry("Tulorekisteri_&1234_c");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_&1234"));
        QVERIFY(d.button("cmdP")->shortcut().isEmpty());

        // Rebuilding the list for another database is no selection.
        d.choose(other);
        QCOMPARE(d.listed(), QStringList{"Muut"});
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_&1234"));
        QCOMPARE(d.dialogs.shown.size(), 2);   // the two file dialogs
    }

    void seriesDeletion()
    {
        WindowDriver d;
        d.show();
        const QString path = database("sarja", {"Tulorekisteri_12345_a", "Asiakkaat", "Tulorekisteri_12345_b",
                                                "Tulorekisteri_12345_c", "Tulorekisteri_12346_x",
                                                "tulorekisteri_12345_d", "Tulorekisteri_1234",
                                                "Tulorekisteri_erillis_12345", "Tulorekisteri_12345",
                                                "Tulorekisteri_12345_z"});
        d.choose(path);
        d.clickEntry("Tulorekisteri_12345_b");
        d.dialogs.confirmAnswers = {true, true};
        d.click("cmdP");

        const QList<ScriptedDialogs::Shown> asked = d.dialogs.shownOf(Kind::Confirm);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Poistetaanko kaikki Tulorekisteri_12345  -alkuiset taulut"));
        QCOMPARE(asked[0].title, QStringLiteral("POISTETAAN KAIKKI Tulorekisteri_12345 -alkuiset taulut"));
        QCOMPARE(asked[0].defaultAnswer, Dialogs::DefaultAnswer::Yes);
        const QStringList remaining{"Asiakkaat", "Tulorekisteri_12346_x", "tulorekisteri_12345_d",
                                    "Tulorekisteri_1234", "Tulorekisteri_erillis_12345"};
        expectDeleted(d, path, remaining);
        QCOMPARE(copies(path), 1);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));

        // The button still names the series: asked again, copied again, nothing left to delete.
        d.click("cmdP");
        QCOMPARE(d.dialogs.shownOf(Kind::Confirm).size(), 2);
        expectDeleted(d, path, remaining);
        QCOMPARE(copies(path), 2);
    }

    // A table named exactly "Tulorekisteri_" chooses every register table.
    void wholeRegisterAsSeries()
    {
        WindowDriver d;
        d.show();
        const QString path = database("kaikki", {"Asiakkaat", "Tulorekisteri_", "Tulorekisteri_12345_a",
                                                 "Tulorekisteri_erillis_M", "Tulorekisteri", "tulorekisteri_x",
                                                 "Tulorekisteri_S"});
        d.choose(path);
        d.clickEntry("Tulorekisteri_");
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_"));
        d.dialogs.confirmAnswers = {true};
        d.click("cmdP");
        expectDeleted(d, path, {"Asiakkaat", "Tulorekisteri", "tulorekisteri_x"});
    }

    void seriesKeptAcrossDatabaseChange()
    {
        WindowDriver d;
        d.show();
        const QString first = database("ensimmainen", {"Tulorekisteri_erillis_55555_a", "Muut"});
        const QString second = database("toinen", {"Tulorekisteri_erillis_55555_x", "Tulorekisteri_erillis_55556_y",
                                                   "Asiakkaat"});
        d.choose(first);
        d.clickEntry("Tulorekisteri_erillis_55555_a");
        d.choose(second);
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_erillis_55555"));

        d.dialogs.confirmAnswers = {true};
        d.click("cmdP");
        QCOMPARE(d.dialogs.shownOf(Kind::Confirm).value(0).text,
                 QStringLiteral("Poistetaanko kaikki Tulorekisteri_erillis_55555  -alkuiset taulut"));
        expectDeleted(d, second, {"Tulorekisteri_erillis_55556_y", "Asiakkaat"});
        QCOMPARE(copies(second), 1);
        QCOMPARE(testdb::tableNames(first), (QStringList{"Tulorekisteri_erillis_55555_a", "Muut"}));
        QCOMPARE(copies(first), 0);
    }

    void allRegisterTables()
    {
        WindowDriver d;
        d.show();
        const QStringList original{"Tulorekisteri_1", "Tulorekisteri_S_Saajat", "Asiakkaat", "Tulorekisteri",
                                   "Tulorekisteri_erillis_M", "Tulorekisteri_erillis_T", "TULOREKISTERI_X",
                                   "Tulorekisteri_", "Tulorekisteri_M", "Tulorekisteri_ÄÖ123"};
        const QString path = database("kaikkirekisteri", original);
        d.choose(path);
        // Neither the selection nor the series button plays a part.
        d.clickEntry("Tulorekisteri_1");
        d.dialogs.confirmAnswers = {true};
        d.click("cmdPoistaTulorekisteriTaulut");

        const QList<ScriptedDialogs::Shown> asked = d.dialogs.shownOf(Kind::Confirm);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Poistetaanko kaikki tulorekisteri -taulut"));
        QCOMPARE(asked[0].title, QStringLiteral("POISTETAAN KAIKKI Tulorekisteri_ -alkuiset taulut"));
        QCOMPARE(asked[0].defaultAnswer, Dialogs::DefaultAnswer::Yes);
        expectDeleted(d, path, {"Asiakkaat", "Tulorekisteri", "TULOREKISTERI_X"});
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_1"));
        const QStringList copy = testdb::safetyCopies(QFileInfo(path).path());
        QCOMPARE(copy.size(), 1);
        QCOMPARE(testdb::tableNames(QFileInfo(path).dir().filePath(copy[0])), original);
    }

    void numberedRegisterTables()
    {
        WindowDriver d;
        d.show();
        const QString path = database(
            "numeroidut",
            {"Tulorekisteri_00001_a", "Tulorekisteri_S_Saajat", "Tulorekisteri_00001_b", "Tulorekisteri_00002",
             "Tulorekisteri_M", "Tulorekisteri_erillis_00003", "Tulorekisteri_erillis_M_x", "Tulorekisteri_erillis_T",
             "Tulorekisteri_erillis_S1", "Tulorekisteri_s1", "Asiakkaat", "Tulorekisteri_", "Tulorekisteri_erillis_",
             "Tulorekisteri_99999"});
        d.choose(path);
        d.clickEntry("Asiakkaat");
        d.dialogs.confirmAnswers = {true, true};
        d.click("cmdPTN");

        const QList<ScriptedDialogs::Shown> asked = d.dialogs.shownOf(Kind::Confirm);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].text, QStringLiteral("Poistetaanko kaikki numeroidut tulorekisteri -taulut. Jätetään "
                                               "jäljelle vain perustieto -taulut"));
        QCOMPARE(asked[0].title, QStringLiteral("POISTETAAN KAIKKI NUMEROIDUT Tulorekisteri_ -alkuiset taulut"));
        QCOMPARE(asked[0].defaultAnswer, Dialogs::DefaultAnswer::Yes);
        const QStringList kept{"Tulorekisteri_S_Saajat", "Tulorekisteri_M", "Tulorekisteri_erillis_M_x",
                               "Tulorekisteri_erillis_T", "Asiakkaat"};
        expectDeleted(d, path, kept);
        QCOMPARE(copies(path), 1);
        QCOMPARE(d.caption("cmdP"), kInitial);

        d.click("cmdPTN");
        QCOMPARE(d.dialogs.shownOf(Kind::Confirm).size(), 2);
        expectDeleted(d, path, kept);
        QCOMPARE(copies(path), 2);
    }

    // A drop the engine refuses part-way: what was deleted stays deleted,
    // the rest stays, the box says how far it got and the list shows the file.
    void failurePartWay_data() { bulkButtons(); }

    void failurePartWay()
    {
        QFETCH(QString, button);
        WindowDriver d;
        d.show();
        const QString path = databaseFromSql(
            "virhe_" + button,
            testdb::tablesSql({"Tulorekisteri_12345_a", "Asiakkaat"}) + brokenTableSql("Tulorekisteri_12345_v")
                + testdb::tablesSql({"Tulorekisteri_12345_b", "Tulorekisteri_12345_c"}));
        d.choose(path);
        d.clickEntry("Tulorekisteri_12345_a");
        d.dialogs.confirmAnswers = {true};
        d.click(button);

        const QStringList left{"Tulorekisteri_12345_a", "Asiakkaat", "Tulorekisteri_12345_v"};
        QCOMPARE(testdb::tableNames(path), left);
        QCOMPARE(d.listed(), left);
        const QStringList informed = d.dialogs.informed();
        QCOMPARE(informed.size(), 1);
        QVERIFY2(informed[0].contains(QStringLiteral("kun 2 taulukkoa oli poistettu")), qPrintable(informed[0]));
        QVERIFY2(informed[0].contains(QStringLiteral("Tulorekisteri_12345_v")), qPrintable(informed[0]));
        QCOMPARE(copies(path), 1);
        const QString copy = QFileInfo(path).dir().filePath(testdb::safetyCopies(QFileInfo(path).path()).first());
        QVERIFY2(informed[0].contains(QStringLiteral("Varmuuskopio otettiin ennen poistoa:\n") + copy),
                 qPrintable(informed[0]));
        QCOMPARE(d.caption("cmdP"), QStringLiteral("Tulorekisteri_12345"));
    }

    // The copy, then one step a deletion; "Keskeytä" during the second ends
    // the walk after it. The list shows the file, the box says how far the
    // walk got and where the file as it was is kept. No box opens while
    // either piece of work runs (the scripted operator fails the test then).
    void stoppedWalkKeepsTheRestAndSaysHowFar_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<QStringList>("left");
        const QStringList walkedFirst{"Asiakkaat", "Tulorekisteri_12345_1", "Tulorekisteri_12345_2",
                                      "Tulorekisteri_12345_3", "Tulorekisteri_12345_4"};
        QTest::newRow("series, stopped") << "cmdP" << 2 << walkedFirst;
        QTest::newRow("all, stopped") << "cmdPoistaTulorekisteriTaulut" << 2 << walkedFirst;
        QTest::newRow("numbered, stopped") << "cmdPTN" << 2 << walkedFirst;
        QTest::newRow("numbered, stopped at the last") << "cmdPTN" << 6 << QStringList{"Asiakkaat"};
        QTest::newRow("numbered, never stopped") << "cmdPTN" << -1 << QStringList{"Asiakkaat"};
    }

    void stoppedWalkKeepsTheRestAndSaysHowFar()
    {
        QFETCH(QString, button);
        QFETCH(int, stopAfter);
        QFETCH(QStringList, left);
        WindowDriver d;
        d.show();
        QStringList original{"Asiakkaat"};
        for (int i = 1; i <= 6; ++i)
            original.append(QStringLiteral("Tulorekisteri_12345_%1").arg(i));
        const QString path = database(QStringLiteral("keskeytys_%1_%2").arg(button).arg(stopAfter), original);
        d.choose(path);
        d.clickEntry("Tulorekisteri_12345_1");
        d.dialogs.shown.clear();
        d.dialogs.confirmAnswers = {true};
        d.dialogs.stopAfterSteps = stopAfter;
        d.click(button);

        QCOMPARE(testdb::tableNames(path), left);
        QCOMPARE(d.listed(), left);
        QCOMPARE(testdb::integrity(path), QStringLiteral("ok"));
        const QStringList copy = testdb::safetyCopies(QFileInfo(path).path());
        QCOMPARE(copy.size(), 1);
        const QString copyPath = QFileInfo(path).dir().filePath(copy[0]);
        QCOMPARE(testdb::tableNames(copyPath), original);

        const QList<ScriptedDialogs::ProgressShown>& work = d.dialogs.progresses;
        QCOMPARE(work.size(), 2);
        QCOMPARE(work[0].text, QStringLiteral("Otetaan varmuuskopiota ..."));
        QVERIFY(!work[0].cancellable);
        QVERIFY(work[0].ended);
        QCOMPARE(work[1].text, QStringLiteral("Poistetaan taulukoita: %1 / %2"));
        QVERIFY(work[1].cancellable);
        QVERIFY(work[1].ended);
        const int deleted = int(original.size() - left.size());
        QStringList labels;
        for (int i = 1; i <= deleted; ++i)
            labels.append(QStringLiteral("Poistetaan taulukoita: %1 / 6").arg(i));
        QCOMPARE(work[1].labels(), labels);

        QStringList boxes = d.dialogs.lines();
        QVERIFY(boxes.value(0).startsWith(QStringLiteral("Kyllä/Ei")));
        boxes.removeFirst();
        if (left.size() == 1)
            QCOMPARE(boxes, QStringList());
        else
            QCOMPARE(boxes, QStringList{QStringLiteral("OK: Poisto keskeytettiin, kun 2 taulukkoa oli poistettu; muut "
                                                       "ovat tallella. | Varmuuskopio %1 sisältää tietokannan "
                                                       "sellaisena kuin se oli ennen poistoa.")
                                            .arg(copyPath)});
    }

    // The walk's second deletion, the first one committed on its own, has
    // committed when another program locks the file until this program's
    // next statement ends: the walk goes on, and no deletion is reported as
    // failed.
    void aCommittedDropInTheWalkIsNotReportedAsFailed()
    {
        ChosenDatabase db(testdb::tablesSql({"Asiakkaat", "Tulorekisteri_1", "Tulorekisteri_2", "Tulorekisteri_3"}));
        const LockAfterDrop other(db.file, 2);
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
        QVERIFY(other.tookTheLock());
        const QStringList informed = db.window.dialogs.informed();
        QVERIFY2(informed.isEmpty(), qPrintable(informed.join(QLatin1Char('\n'))));
        QCOMPARE(db.tables(), QStringList{"Asiakkaat"});
        QCOMPARE(db.window.listed(), QStringList{"Asiakkaat"});
    }

    void aFailedCallIsToldAsFarAsTheWalkGot_data()
    {
        QTest::addColumn<FaultyFiles::Kind>("kind");
        QTest::addColumn<int>("code");
        QTest::newRow("a read of the database") << FaultyFiles::Kind::Read << SQLITE_IOERR_READ;
        QTest::newRow("a write of the database") << FaultyFiles::Kind::Write << SQLITE_IOERR_WRITE;
    }

    // Each call of its kind on the database fails once, one cleanup after
    // another. The box tells how far the walk got as the file shows it:
    // "muut ovat tallella" only with register tables left, "kaikki" only
    // with none, and no sound file is called damaged.
    void aFailedCallIsToldAsFarAsTheWalkGot()
    {
        QFETCH(FaultyFiles::Kind, kind);
        QFETCH(int, code);
        const QStringList names{"Asiakkaat", "Tulorekisteri_1", "Tulorekisteri_2", "Tulorekisteri_3"};
        int told = 0;
        int nth = 1;
        for (;; ++nth) {
            QVERIFY2(nth < 400, "the calls never ran out");
            ChosenDatabase db(testdb::tablesSql(names));
            db.window.dialogs.confirmAnswers = {true};
            bool struck = false;
            {
                const FaultyFiles faulty(kind, ".wk1", nth, code);
                db.window.click(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
                struck = faulty.struck();
            }
            if (!struck)
                break;
            const QStringList informed = db.window.dialogs.informed();
            if (informed.isEmpty())
                continue;
            ++told;
            const QString box = informed.join(QStringLiteral("\n---\n"));
            QCOMPARE(informed.size(), 1);
            QCOMPARE(schemaProblems(db.file), QStringList{});
            const QStringList left = testdb::tableNames(db.file).filter(QStringLiteral("Tulorekisteri_"));
            const QString seen = QStringLiteral("call %1: %2\nleft: %3").arg(nth).arg(box, left.join(','));
            QVERIFY2(!box.contains(QStringLiteral("vioittunut")), qPrintable(seen));
            if (box.contains(QStringLiteral("muut ovat tallella")) || box.contains(QStringLiteral("ei poistettu")))
                QVERIFY2(!left.isEmpty(), qPrintable(seen));
            if (box.contains(QStringLiteral("poistettavaa taulukkoa poistettiin")))
                QVERIFY2(left.isEmpty(), qPrintable(seen));
        }
        qDebug() << nth - 1 << "calls," << told << "told";
        QVERIFY(told > 0);
    }
};

QTEST_MAIN(TestRegisterCleanup)
#include "tst_registercleanup.moc"
