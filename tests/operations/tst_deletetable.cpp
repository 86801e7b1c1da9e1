#include "ChosenDatabase.h"
#include "EagerWriter.h"
#include "FileSizeLimit.h"
#include "OtherProgram.h"
#include "SchemaHealth.h"
#include "SmallDisk.h"

#include <QDir>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace {

const QString kTables = testdb::tablesSql({QStringLiteral("Asiakkaat"), QStringLiteral("Henkilöstö"),
                                           QStringLiteral("Tuotteet")});

QString question(const ChosenDatabase& db, const QString& table, const QString& rows = QStringLiteral("1 rivi"))
{
    return QStringLiteral("Kyllä/Ei [Taulukon poistaminen] oletus Ei: Poistetaanko tietokannasta\n") + db.file
           + QStringLiteral("\ntaulukko\n") + table + QStringLiteral(" | Taulukossa on ") + rows
           + QStringLiteral(". Ennen poistoa otetaan varmuuskopio.");
}

} // namespace

class TestDeleteTable : public QObject {
    Q_OBJECT

    QTemporaryDir roomDir_;
    SmallDisk small_{roomDir_.filePath(QStringLiteral("pieni"))};

private slots:
    void yesCopiesThenDeletesAndRebuildsTheListAfterTheMessage()
    {
        ChosenDatabase db(kTables, QStringLiteral("yritys.wdb1"));
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.select(QStringLiteral("Henkilöstö"));
        db.window.dialogs.confirmAnswers = {true};
        QStringList listedDuringMessage;
        QStringList copiesDuringMessage;
        db.window.dialogs.whileInforming = [&](const QString&) {
            listedDuringMessage = db.window.listed();
            copiesDuringMessage = db.copies();
        };
        db.window.click(QStringLiteral("cmdPoista"));

        QCOMPARE(db.boxes(), (QStringList{question(db, QStringLiteral("Henkilöstö")), db.closingBox(QStringLiteral("Poistettu!"))}));
        QCOMPARE(listedDuringMessage, (QStringList{"Asiakkaat", "Henkilöstö", "Tuotteet"}));
        QCOMPARE(db.tables(), (QStringList{"Asiakkaat", "Tuotteet"}));
        QCOMPARE(db.window.listed(), db.tables());
        QVERIFY(db.nothingSelected());

        QCOMPARE(db.copies().size(), 1);
        QCOMPARE(copiesDuringMessage, db.copies());
        QVERIFY2(QRegularExpression(QStringLiteral("^yritys_wdb1_\\d{14}\\.var$")).match(db.copies().first()).hasMatch(),
                 qPrintable(db.copies().first()));
        QCOMPARE(testdb::fileBytes(db.copyPath(db.copies().first())), before);

        // The rebuilt list has no selection: a second click does nothing.
        db.window.dialogs.shown.clear();
        db.window.click(QStringLiteral("cmdPoista"));
        QCOMPARE(db.boxes(), QStringList());
    }

    void aCommitBetweenTheCopyAndTheDropIsKept_data()
    {
        QTest::addColumn<bool>("wal");
        QTest::newRow("rollback journal") << false;
        QTest::newRow("write-ahead log") << true;
    }

    // Another program commits rows into the table wherever it can while it is
    // deleted. Each row it got in is in the safety copy: none falls between
    // the copy and the drop, to be lost with the table.
    void aCommitBetweenTheCopyAndTheDropIsKept()
    {
        QFETCH(bool, wal);
        ChosenDatabase db(QString(wal ? "PRAGMA journal_mode=WAL;" : "")
                          + "CREATE TABLE Kirjaukset (n); CREATE TABLE Asiakkaat (x);");
        db.window.select(QStringLiteral("Kirjaukset"));
        db.window.dialogs.confirmAnswers = {true};
        QList<int> committed;
        {
            const EagerWriter other(db.file, QStringLiteral("Kirjaukset"));
            db.window.click(QStringLiteral("cmdPoista"));
            committed = other.committed;
        }
        QCOMPARE(db.boxes().last(), db.closingBox(QStringLiteral("Poistettu!")));
        QCOMPARE(db.tables(), QStringList{"Asiakkaat"});
        QCOMPARE(schemaProblems(db.file), QStringList());
        QVERIFY2(!committed.isEmpty(), "the other program never got in");
        QStringList numbers;
        for (const int number : committed)
            numbers.append(QString::number(number));
        QCOMPARE(testdb::value(db.newestCopy(), "SELECT group_concat(n) FROM (SELECT n FROM Kirjaukset ORDER BY n)"),
                 numbers.join(QLatin1Char(',')));
    }

    void secondDeletionKeepsTheFirstCopy()
    {
        ChosenDatabase db(kTables);
        const QByteArray original = testdb::fileBytes(db.file);
        db.window.dialogs.confirmAnswers = {true, true};
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdPoista"));
        const QByteArray afterFirst = testdb::fileBytes(db.file);
        db.window.select(QStringLiteral("Tuotteet"));
        db.window.click(QStringLiteral("cmdPoista"));

        QCOMPARE(db.tables(), QStringList{"Henkilöstö"});
        const QStringList copies = db.copies();
        QCOMPARE(copies.size(), 2);
        const QList<QByteArray> contents{testdb::fileBytes(db.copyPath(copies.at(0))),
                                         testdb::fileBytes(db.copyPath(copies.at(1)))};
        QVERIFY(contents.contains(original));
        QVERIFY(contents.contains(afterFirst));
    }

    // The engine refuses to drop its own sequence table; the rest goes on.
    void refusedDeletionLeavesTheFileAndTheProgramRunning()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Laskut (id INTEGER PRIMARY KEY AUTOINCREMENT, summa);"
                                         "INSERT INTO Laskut (summa) VALUES (10);")
                          + kTables);
        const QStringList tables{"Laskut", "sqlite_sequence", "Asiakkaat", "Henkilöstö", "Tuotteet"};
        QCOMPARE(db.window.listed(), tables);
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.dialogs.confirmAnswers = {true, true};
        db.window.select(QStringLiteral("sqlite_sequence"));
        db.window.click(QStringLiteral("cmdPoista"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes.at(0), question(db, QStringLiteral("sqlite_sequence")));
        QVERIFY2(boxes.at(1).startsWith(QStringLiteral("OK: Taulukkoa sqlite_sequence ei voitu poistaa.\n\nTiedosto: ")
                                        + db.file + QStringLiteral("\nSyy: ")),
                 qPrintable(boxes.at(1)));
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies().size(), 1);
        QCOMPARE(testdb::fileBytes(db.copyPath(db.copies().first())), before);
        QCOMPARE(db.window.listed(), tables);

        db.window.select(QStringLiteral("Tuotteet"));
        db.window.click(QStringLiteral("cmdPoista"));
        QCOMPARE(db.boxes().last(), db.closingBox(QStringLiteral("Poistettu!")));
        QCOMPARE(db.tables(), tables.mid(0, 4));
        QCOMPARE(db.window.listed(), db.tables());
    }

    void failedCopyStopsBeforeTheDatabaseIsTouched()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Iso (v); WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL "
                                         "SELECT i + 1 FROM c WHERE i < 300) INSERT INTO Iso SELECT randomblob(500) "
                                         "FROM c;")
                          + kTables);
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.dialogs.confirmAnswers = {true};
        db.window.select(QStringLiteral("Asiakkaat"));
        {
            const FileSizeLimit diskFull(before.size() / 2);
            db.window.click(QStringLiteral("cmdPoista"));
        }

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).startsWith(QStringLiteral("OK: Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei "
                                                       "koskettu.\nVarmuuskopiota ei voitu kirjoittaa.")),
                 qPrintable(boxes.at(1)));
        QVERIFY2(boxes.at(1).contains(QStringLiteral("\nSyy: Tiedoston kokoraja tuli vastaan")), qPrintable(boxes.at(1)));
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(QDir(db.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"yritys.wk1"});
        QCOMPARE(db.window.listed(), db.tables());
        QVERIFY(db.window.listed().contains(QStringLiteral("Asiakkaat")));
    }

    // Another program is in the middle of a write: the write lock is waited
    // for in vain (the operator stops the wait), so neither a copy nor a
    // change is made.
    void lockedDatabase()
    {
        ChosenDatabase db(kTables);
        const QByteArray before = testdb::fileBytes(db.file);
        const OtherProgram other(db.file);
        QCOMPARE(other.exec("BEGIN IMMEDIATE; INSERT INTO Asiakkaat VALUES (2, 'kesken');"), SQLITE_OK);

        db.window.dialogs.confirmAnswers = {true};
        db.window.dialogs.stopAfterSteps = 1;
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdPoista"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).startsWith(QStringLiteral("OK: Taulukkoa Asiakkaat ei poistettu, koska toinen ohjelma "
                                                       "käyttää tietokantaa.")),
                 qPrintable(boxes.at(1)));
        QVERIFY2(!boxes.at(1).contains(QStringLiteral("locked")), qPrintable(boxes.at(1)));
        QCOMPARE(db.copies().size(), 0);
        QCOMPARE(db.window.listed(), (QStringList{"Asiakkaat", "Henkilöstö", "Tuotteet"}));

        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
        QCOMPARE(testdb::fileBytes(db.file), before);
    }

    // A name whose bytes are not valid UTF-8 beside one that really holds
    // U+FFFD: deleting the first entry deletes exactly that table.
    void aNameThatIsNoValidTextKeepsItsBytes()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Asiakkaat (x);"));
        const OtherProgram other(db.file);
        QCOMPARE(other.exec("CREATE TABLE \"a\xFF\xFE" "b\" (x); CREATE TABLE \"a\xEF\xBF\xBD\xEF\xBF\xBD" "b\" (x);"),
                 SQLITE_OK);
        db.window.choose(db.file);
        db.window.dialogs.shown.clear();
        const QStringList listed = db.window.listed();
        QCOMPARE(listed.size(), 3);
        QVERIFY(listed.at(1) != listed.at(2));

        db.window.dialogs.confirmAnswers = {true};
        db.window.select(listed.at(1));
        db.window.click(QStringLiteral("cmdPoista"));
        QCOMPARE(db.boxes().last(), db.closingBox(QStringLiteral("Poistettu!")));
        QCOMPARE(db.tables(), (QStringList{"Asiakkaat", QStringLiteral("a\uFFFD\uFFFDb")}));
        QCOMPARE(db.window.listed(), (QStringList{"Asiakkaat", listed.at(2)}));
    }

    // The deletion fails, and so does reading the list again afterwards:
    // the operator still gets one box that tells both.
    void aFailureAndAFailingListGiveOneBox()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Asiakkaat (x);"));
        const QByteArray before = testdb::fileBytes(db.file);
        const OtherProgram other(db.file);
        QCOMPARE(other.exec("BEGIN EXCLUSIVE; INSERT INTO Asiakkaat VALUES (1);"), SQLITE_OK);

        db.window.dialogs.confirmAnswers = {true};
        db.window.dialogs.stopAfterSteps = 2;   // Keskeytä while waiting
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdPoista"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.at(0).contains(QStringLiteral("Taulukkoluetteloa ei voitu päivittää")), qPrintable(boxes.at(0)));
        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies(), QStringList{});
    }

    // Every change that takes a copy asks first whether it fits; when it does
    // not, the operator reads why, and the file, its folder and the list stay
    // as they were.
    void anOperationWithoutRoomChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("delete") << "cmdPoista";
        QTest::newRow("rename") << "cmdNimea";
        QTest::newRow("numbered register tables") << "cmdPTN";
    }

    void anOperationWithoutRoomChangesNothing()
    {
        QFETCH(QString, button);
        if (small_.path().isEmpty())
            QSKIP("no small file system could be mounted here");
        // Some 600 kB of rows, made where its journal fits: the copy would not
        // fit beside the file.
        const QString made = roomDir_.filePath(QStringLiteral("taysi_%1.wk1").arg(button));
        const QString file = small_.path() + QStringLiteral("/taysi.wk1");
        testdb::create(made, QStringLiteral("CREATE TABLE Tulorekisteri_12345_a (v BLOB);"
                                            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c "
                                            "WHERE i < 1400) INSERT INTO Tulorekisteri_12345_a SELECT "
                                            "randomblob(400) FROM c; CREATE TABLE Asiakkaat (x);"));
        for (const QString& earlier : QDir(small_.path()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY(QFile::remove(small_.path() + QLatin1Char('/') + earlier));
        QVERIFY(QFile::copy(made, file));
        const auto cleanup = qScopeGuard([&] { QFile::remove(file); });
        QVERIFY(QFileInfo(file).size() > 500 * 1024);
        const QByteArray before = testdb::fileBytes(file);
        const QStringList tables{"Tulorekisteri_12345_a", "Asiakkaat"};

        WindowDriver d;
        d.choose(file);
        d.select(QStringLiteral("Tulorekisteri_12345_a"));
        d.dialogs.shown.clear();
        d.dialogs.confirmAnswers = {true};
        d.dialogs.textAnswers = {QStringLiteral("Uusi")};
        d.click(button);

        const QStringList informed = d.dialogs.informed();
        QCOMPARE(informed.size(), 1);
        QVERIFY2(informed[0].startsWith(QStringLiteral("Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei "
                                                       "koskettu.\nLevyllä ei ole tilaa varmuuskopiolle: tarvitaan ")),
                 qPrintable(informed[0]));
        QVERIFY2(informed[0].contains(QStringLiteral("Tiedosto: ") + file), qPrintable(informed[0]));
        QCOMPARE(testdb::fileBytes(file), before);
        QCOMPARE(QDir(small_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"taysi.wk1"});
        QCOMPARE(d.listed(), tables);
    }
};

QTEST_MAIN(TestDeleteTable)
#include "tst_deletetable.moc"
