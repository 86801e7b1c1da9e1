#include "OtherProgram.h"
#include "SafetyCopyOfFile.h"
#include "ScriptedDialogs.h"
#include "TestDatabase.h"
#include "copies/DiskRoom.h"
#include "db/Failure.h"
#include "operations/CompactDatabase.h"
#include "operations/CopiesDatabaseChoice.h"
#include "operations/RemoveOlderCopies.h"
#include "operations/RemoveSelectedCopies.h"
#include "operations/RestoreSelected.h"
#include "operations/WaitingDialogs.h"
#include "seam/RestoreView.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QtTest/qtestassert.h>

#include <functional>

namespace {

using Operation = void (*)(RestoreView&, Dialogs&);

// The operation behind each of the window's buttons.
Operation operationOf(const QString& button)
{
    if (button == QLatin1String("cmdPalauta"))
        return &restoreSelectedCopy;
    if (button == QLatin1String("cmdPoista"))
        return &removeSelectedCopies;
    if (button == QLatin1String("cmdPoistaVanhat"))
        return &removeAllButNewestCopy;
    QTEST_ASSERT(button == QLatin1String("cmdTiivista"));
    return &compactChosenDatabase;
}

// The restore window as its operations see it, over the real folder: a
// listing reads the folder at once, and the view notes each listing and
// each stop with the number of boxes shown by then.
class FolderView : public RestoreView {
public:
    explicit FolderView(const ScriptedDialogs& dialogs) : dialogs_(dialogs) {}

    QString databasePath() const override { return path; }
    void setDatabasePath(const QString& chosen) override { path = chosen; }
    const QList<SafetyCopyEntry>& copies() const override { return listed; }
    QList<SafetyCopyEntry> selectedCopies() const override
    {
        QList<SafetyCopyEntry> chosen;
        for (const int row : selectedRows)
            chosen.append(listed.at(row));
        return chosen;
    }
    bool listing() const override { return stillReading; }
    void listCopies() override
    {
        listed = listSafetyCopyFiles(path);
        for (SafetyCopyEntry& copy : listed)
            readSafetyCopy(copy);
        selectedRows.clear();
        stillReading = false;
        events.append(QStringLiteral("listed after %1 boxes").arg(dialogs_.shown.size()));
    }
    void stopListing() override { events.append(QStringLiteral("stopped after %1 boxes").arg(dialogs_.shown.size())); }

    QString path;
    QList<SafetyCopyEntry> listed;
    QList<int> selectedRows;
    bool stillReading = false;
    QStringList events;

private:
    const ScriptedDialogs& dialogs_;
};

// The operator's file, its copies listed, and the boxes of that forgotten.
struct ChosenCopies {
    QTemporaryDir dir;
    QString db;
    ScriptedDialogs dialogs;
    FolderView view{dialogs};

    explicit ChosenCopies(const QString& sql) : db(dir.filePath(QStringLiteral("yritys.wk1")))
    {
        testdb::create(db, sql);
    }
    QString copy(int hour) { return testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(hour, 0))); }
    void choose()
    {
        dialogs.fileAnswers = {db};
        chooseCopiesDatabase(view, dialogs);
        dialogs.shown.clear();
        view.events.clear();
    }
    QStringList copiesInFolder() const { return testdb::safetyCopies(dir.path()); }
};

// What the operation threw, as the click guard shows it; empty when nothing.
QString failureOf(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Failure& failure) {
        return failure.message();
    }
    return {};
}

QString emptiedText(const QString& sql)
{
    return "CREATE TABLE Asiakkaat(x); INSERT INTO Asiakkaat VALUES (1); CREATE TABLE t(v BLOB);"
           "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < "
           + sql + ") INSERT INTO t SELECT randomblob(900) FROM c; DROP TABLE t;";
}

} // namespace

class TestRestoreCopies : public QObject {
    Q_OBJECT

private slots:
    void theChoiceListsTheChosenDatabasesCopies()
    {
        ChosenCopies files(testdb::tablesSql({"Asiakkaat"}));
        files.copy(9);
        chooseCopiesDatabase(files.view, files.dialogs);   // cancelled
        QCOMPARE(files.view.databasePath(), QString());
        QVERIFY(files.view.events.isEmpty());

        files.dialogs.fileAnswers = {files.db};
        chooseCopiesDatabase(files.view, files.dialogs);
        QCOMPARE(files.dialogs.fileRequests.last().title, QString("Minkä tietokannan varmuuskopiot näytetään?"));
        QCOMPARE(files.dialogs.fileRequests.last().filter, QString("Lumerin tietokannat (*.w*)"));
        QCOMPARE(files.view.databasePath(), files.db);
        QCOMPARE(files.view.copies().size(), 1);
        // The next choice opens in the chosen database's folder.
        chooseCopiesDatabase(files.view, files.dialogs);
        QCOMPARE(files.dialogs.fileRequests.last().folder, files.dir.path());
        QCOMPARE(files.view.databasePath(), files.db);
    }

    // Each operation with nothing to work on says so in one box and
    // changes nothing.
    void nothingToWorkOnIsOneBox_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("reading");   // the folder not yet listed
        QTest::addColumn<QString>("box");
        const QString chooseOne = "Valitse luettelosta yksi palautettava varmuuskopio.";
        QTest::newRow("restore, none selected") << "cmdPalauta" << true << QList<int>{} << false << chooseOne;
        QTest::newRow("restore, two selected") << "cmdPalauta" << true << QList<int>{0, 1} << false << chooseOne;
        QTest::newRow("remove, none selected") << "cmdPoista" << true << QList<int>{} << false
                                               << "Valitse luettelosta poistettavat varmuuskopiot.";
        QTest::newRow("older, no database") << "cmdPoistaVanhat" << false << QList<int>{} << false
                                            << "Valitse ensin tietokanta, jonka varmuuskopiot poistetaan.";
        QTest::newRow("older, still reading") << "cmdPoistaVanhat" << true << QList<int>{} << true
                                              << "Varmuuskopioita luetaan vielä; yritä hetken kuluttua uudelleen.";
        QTest::newRow("compact, no database") << "cmdTiivista" << false << QList<int>{} << false
                                              << "Valitse ensin tietokanta, joka tiivistetään.";
        QTest::newRow("compact, no free room")
            << "cmdTiivista" << true << QList<int>{} << false
            << "Tietokannassa ei ole vapaata tilaa, joten tiivistäminen ei pienentäisi sitä.";
    }

    void nothingToWorkOnIsOneBox()
    {
        QFETCH(QString, button);
        const Operation operation = operationOf(button);
        QFETCH(bool, chosen);
        QFETCH(QList<int>, selected);
        QFETCH(bool, reading);
        QFETCH(QString, box);
        ChosenCopies files(testdb::tablesSql({"Asiakkaat"}));
        files.copy(9);
        files.copy(10);
        if (chosen)
            files.choose();
        files.view.selectedRows = selected;
        if (reading) {
            files.view.listed.clear();
            files.view.stillReading = true;
        }
        const QByteArray before = testdb::fileBytes(files.db);

        operation(files.view, files.dialogs);
        QCOMPARE(files.dialogs.lines(), QStringList{"OK: " + box});
        QCOMPARE(files.copiesInFolder().size(), 2);
        QCOMPARE(testdb::fileBytes(files.db), before);
        QVERIFY(files.view.events.isEmpty());
    }

    void restoringPutsTheCopyBackAndKeepsTheStateBefore()
    {
        ChosenCopies files(testdb::tablesSql({"Asiakkaat"}));
        const QString older = files.copy(9);
        testdb::run(files.db, "CREATE TABLE Laskut(x); INSERT INTO Laskut VALUES (1)");
        files.choose();
        files.view.selectedRows = {0};
        const QString asked = "Kyllä/Ei [Varmuuskopion palauttaminen] oletus Ei: Palautetaanko tietokantaan\n"
                              + files.db + "\nvarmuuskopio\n" + older
                              + "\notettu 1.12.2026 klo 9.00.00\n\nTietokannan nykyinen sisältö korvataan "
                                "varmuuskopion sisällöllä. Nykyisestä tilasta otetaan ensin varmuuskopio. Sulje "
                                "Lumeri-ohjelmat ennen palauttamista.";

        // Declined: nothing changes and no copy is taken.
        restoreSelectedCopy(files.view, files.dialogs);
        QCOMPARE(files.dialogs.lines(), QStringList{asked});
        QCOMPARE(testdb::tableNames(files.db), (QStringList{"Asiakkaat", "Laskut"}));
        QCOMPARE(files.copiesInFolder().size(), 1);
        QVERIFY(files.view.events.isEmpty());

        // Confirmed: the copy's tables are back, and the state before it is a new copy.
        files.dialogs.shown.clear();
        files.dialogs.confirmAnswers = {true};
        restoreSelectedCopy(files.view, files.dialogs);
        QCOMPARE(testdb::tableNames(files.db), QStringList{"Asiakkaat"});
        QCOMPARE(files.view.copies().size(), 2);
        const QString before = files.view.copies().first().path;
        QVERIFY(before != older);
        QCOMPARE(testdb::tableNames(before), (QStringList{"Asiakkaat", "Laskut"}));
        QCOMPARE(files.dialogs.lines(),
                 (QStringList{asked, "OK: Palautettu!\n\nTietokanta sellaisena kuin se oli ennen palautusta on "
                                     "tallessa tiedostossa\n"
                                         + before}));
        // The listing stops before the restore's lock and reads the folder again before the box.
        QCOMPARE(files.view.events, (QStringList{"stopped after 1 boxes", "listed after 1 boxes"}));
    }

    // A restore of a large file reports as it goes, and is over before the closing box shows.
    void aLargeRestoreReportsAsItGoes()
    {
        ChosenCopies files("PRAGMA page_size=512; CREATE TABLE t(v BLOB);"
                           "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 5000)"
                           " INSERT INTO t SELECT randomblob(400) FROM c;");
        files.copy(9);
        testdb::run(files.db, "DELETE FROM t WHERE rowid > 10");
        files.choose();
        files.view.selectedRows = {0};
        files.dialogs.confirmAnswers = {true};
        // The work shows itself before its long steps: the check of the
        // copy and the copy of the current state under the restore's lock
        // are still to come, so another program could still take the lock.
        int lockAtFirstReport = -1;
        files.dialogs.whileProgressing = [&](const ScriptedDialogs::ProgressShown& progress) {
            if (progress.steps.size() == 1) {
                const OtherProgram other(files.db);
                lockAtFirstReport = other.exec("BEGIN IMMEDIATE");
                other.exec("ROLLBACK");
            }
        };
        restoreSelectedCopy(files.view, files.dialogs);
        QCOMPARE(lockAtFirstReport, SQLITE_OK);

        QCOMPARE(testdb::rowCount(files.db, "t"), qint64(5000));
        QVERIFY2(files.dialogs.shown.last().text.startsWith("Palautettu!"), qPrintable(files.dialogs.shown.last().text));
        QCOMPARE(files.dialogs.progresses.size(), 1);
        const ScriptedDialogs::ProgressShown& work = files.dialogs.progresses.first();
        QCOMPARE(work.text, QString("Palautetaan varmuuskopiota ..."));
        QVERIFY(!work.cancellable);
        QVERIFY(work.ended);
        // The copy of the state once, the page writing at each piece of 1024 pages.
        QVERIFY2(work.steps.size() >= 3, qPrintable(QString::number(work.steps.size())));
    }

    void removingTheSelectedCopiesAsksFirst()
    {
        ChosenCopies files(testdb::tablesSql({"Asiakkaat"}));
        const QString older = files.copy(9);
        const QString newer = files.copy(10);
        files.choose();
        files.view.selectedRows = {1};
        const QString asked =
            "Kyllä/Ei [Varmuuskopioiden poistaminen] oletus Ei: Poistetaanko 1 varmuuskopiota?\n" + older;

        removeSelectedCopies(files.view, files.dialogs);
        QCOMPARE(files.dialogs.lines(), QStringList{asked});
        QCOMPARE(files.copiesInFolder().size(), 2);

        files.dialogs.shown.clear();
        files.dialogs.confirmAnswers = {true};
        removeSelectedCopies(files.view, files.dialogs);
        QCOMPARE(files.dialogs.lines(), (QStringList{asked, "OK: Poistettu 1 varmuuskopiota."}));
        QVERIFY(!QFile::exists(older));
        QCOMPARE(files.view.copies().size(), 1);
        QCOMPARE(files.view.copies().first().path, newer);
        QCOMPARE(files.view.events, QStringList{"listed after 1 boxes"});
    }

    void removingAllButTheNewestNamesCountAndSize()
    {
        ChosenCopies files(testdb::tablesSql({"Asiakkaat"}));
        QList<qint64> sizes;
        QString newest;
        for (int hour = 9; hour <= 11; ++hour) {
            newest = files.copy(hour);
            sizes.append(QFileInfo(newest).size());
            testdb::run(files.db,
                        QString("CREATE TABLE T%1(x); INSERT INTO T%1 VALUES (zeroblob(%2))").arg(hour).arg(hour * 5000));
        }
        files.choose();
        const QString asked = "Kyllä/Ei [Varmuuskopioiden poistaminen] oletus Ei: Poistetaanko 2 varmuuskopiota? "
                              "Levyltä vapautuu "
                              + diskRoom::size(sizes[0] + sizes[1])
                              + ".\n\nVain uusin varmuuskopio jää, otettu 1.12.2026 klo 11.00.00\n" + newest;

        removeAllButNewestCopy(files.view, files.dialogs);
        QCOMPARE(files.dialogs.lines(), QStringList{asked});
        QCOMPARE(files.copiesInFolder().size(), 3);

        files.dialogs.shown.clear();
        files.dialogs.confirmAnswers = {true};
        removeAllButNewestCopy(files.view, files.dialogs);
        QCOMPARE(files.copiesInFolder(), QStringList{QFileInfo(newest).fileName()});
        QCOMPARE(files.dialogs.lines(),
                 (QStringList{asked, "OK: Poistettu 2 varmuuskopiota; levyltä vapautui "
                                         + diskRoom::size(sizes[0] + sizes[1]) + "."}));
        QCOMPARE(files.view.events, QStringList{"listed after 1 boxes"});

        // With the newest alone there is nothing to ask.
        files.dialogs.shown.clear();
        removeAllButNewestCopy(files.view, files.dialogs);
        QCOMPARE(files.dialogs.lines(), QStringList{"OK: Tietokannalla ei ole muita varmuuskopioita kuin uusin."});
    }

    // A copy taken after the list was read is newer than every listed one: it stays.
    void removingAllButTheNewestKeepsACopyTakenSinceTheListing()
    {
        ChosenCopies files(testdb::tablesSql({"Asiakkaat"}));
        files.copy(9);
        const QString listedNewest = files.copy(10);
        files.choose();
        const QString later = files.copy(11);
        files.dialogs.confirmAnswers = {true};
        removeAllButNewestCopy(files.view, files.dialogs);
        QCOMPARE(files.copiesInFolder(),
                 (QStringList{QFileInfo(listedNewest).fileName(), QFileInfo(later).fileName()}));
    }

    void compactingAsksWithTheSpaceItGivesBack()
    {
        ChosenCopies files(emptiedText("3000"));
        const qint64 sizeBefore = QFileInfo(files.db).size();
        const qint64 freeBytes = testdb::value(files.db, "PRAGMA freelist_count").toLongLong()
                                 * testdb::value(files.db, "PRAGMA page_size").toLongLong();
        files.choose();
        const QString asked = "Kyllä/Ei [Tietokannan tiivistäminen] oletus Ei: Tiivistetäänkö tietokanta\n" + files.db
                              + "?\n\nTiedosto vie nyt " + diskRoom::size(sizeBefore)
                              + "; tiivistäminen pienentää sitä noin " + diskRoom::size(freeBytes)
                              + ". Taulukot ja niiden tiedot säilyvät ennallaan.\n\nSulje Lumeri-ohjelmat ennen "
                                "tiivistämistä.";

        compactChosenDatabase(files.view, files.dialogs);
        QCOMPARE(files.dialogs.lines(), QStringList{asked});
        QCOMPARE(QFileInfo(files.db).size(), sizeBefore);
        QVERIFY(files.view.events.isEmpty());

        files.dialogs.shown.clear();
        files.dialogs.confirmAnswers = {true};
        compactChosenDatabase(files.view, files.dialogs);
        QCOMPARE(QFileInfo(files.db).size(), sizeBefore - freeBytes);
        QCOMPARE(testdb::tableNames(files.db), QStringList{"Asiakkaat"});
        QCOMPARE(files.dialogs.progresses.size(), 1);
        QCOMPARE(files.dialogs.progresses.first().text, QString("Tiivistetään tietokantaa ..."));
        QVERIFY(files.dialogs.progresses.first().ended);
        QCOMPARE(files.dialogs.lines(),
                 (QStringList{asked, "OK: Tiivistetty!\n\nTiedosto vie nyt " + diskRoom::size(sizeBefore - freeBytes)
                                         + ", ennen " + diskRoom::size(sizeBefore) + "."}));
        QCOMPARE(files.view.events, (QStringList{"stopped after 1 boxes", "listed after 1 boxes"}));
    }

    // Another program holds the database: the restore or the compaction waits
    // with the wait's dialog until the operator stops it or the limit comes,
    // then fails with what was not done and why, the file as it was.
    // Another page size in log mode waits only for the file to itself, after
    // the copy of the state, which is kept and named.
    void gaveUpWaitingForAnotherProgram_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("lock");
        QTest::addColumn<bool>("stopped");
        const QByteArray write = "BEGIN IMMEDIATE; INSERT INTO Asiakkaat VALUES (2);";
        const QByteArray read = "BEGIN; SELECT count(*) FROM Asiakkaat;";
        const QByteArray open = "SELECT count(*) FROM Asiakkaat;";
        const QString log = "PRAGMA journal_mode=WAL;";
        const QString otherPageSize = "PRAGMA page_size=1024; VACUUM; " + log;
        const QString restore = "cmdPalauta";
        const QString compact = "cmdTiivista";
        QTest::newRow("restore") << restore << "" << write << true;
        QTest::newRow("restore, limit") << restore << "" << write << false;
        QTest::newRow("restore, log") << restore << log << write << false;
        QTest::newRow("restore, log, other page size") << restore << otherPageSize << open << true;
        QTest::newRow("restore, log, other page size, limit") << restore << otherPageSize << open << false;
        QTest::newRow("compaction") << compact << "" << read << true;
        QTest::newRow("compaction, log, limit") << compact << log << read << false;
    }

    void gaveUpWaitingForAnotherProgram()
    {
        QFETCH(QString, button);
        const Operation operation = operationOf(button);
        QFETCH(QString, setup);
        QFETCH(QByteArray, lock);
        QFETCH(bool, stopped);
        ChosenCopies files(emptiedText("20"));
        const QString original = files.copy(9);
        testdb::run(files.db, setup + "CREATE TABLE Laskut(x);");
        files.choose();
        files.view.selectedRows = {0};
        files.dialogs.confirmAnswers = {true};
        const QByteArray before = testdb::fileBytes(files.db);
        const OtherProgram other(files.db);
        QCOMPARE(other.exec(lock.constData()), SQLITE_OK);
        if (stopped)
            files.dialogs.stopAfterSteps = 3;
        else
            files.dialogs.waitLimit = 300;
        const QString failure = failureOf([&] { operation(files.view, files.dialogs); });

        QStringList copies = files.copiesInFolder();
        QVERIFY(!files.dialogs.progresses.isEmpty());
        QCOMPARE(files.dialogs.progresses.last().text, WaitingDialogs::kWaitingText);
        QVERIFY(files.dialogs.progresses.last().cancellable);
        // The state as it was before the restore is kept only once the restore had the write lock.
        const bool keptCopy = setup.contains("page_size");
        QCOMPARE(copies.size(), keptCopy ? 2 : 1);
        copies.removeOne(QFileInfo(original).fileName());
        const QString kept = keptCopy ? "\nTietokanta sellaisena kuin se oli ennen palautusta on tallessa tiedostossa\n"
                                            + files.dir.filePath(copies.first())
                                      : QString();
        QCOMPARE(failure, QString(button == "cmdPalauta" ? "Varmuuskopiota ei palautettu"
                                                                    : "Tietokantaa ei tiivistetty")
                              + ", koska toinen ohjelma käyttää tietokantaa. "
                              + (stopped ? "Odottaminen keskeytettiin."
                                         : "Yritä myöhemmin uudelleen; jos tietokanta on yhä varattu, sulje muut "
                                           "ohjelmat, jotka voivat käyttää sitä.")
                              + "\nTietokanta on ennallaan." + kept + "\n\nTiedosto: " + files.db);
        QVERIFY(files.dialogs.informed().isEmpty());
        QCOMPARE(testdb::fileBytes(files.db), before);
    }
};

QTEST_MAIN(TestRestoreCopies)
#include "tst_restorecopies.moc"
