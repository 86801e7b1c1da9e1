#include "ChosenDatabase.h"
#include "LockAfterDrop.h"
#include "OtherProgram.h"

#include <QScopeGuard>
#include <QTest>

#include <sqlite3.h>

class TestTableFaults : public QObject {
    Q_OBJECT

private slots:
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

    // A trigger ignores the deletion of some rows: the message says how many
    // are left instead of claiming the table was emptied.
    void emptyingSaysHowManyRowsRemain_data()
    {
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("message");
        QTest::newRow("one kept") << QStringLiteral("old.x = 1")
                                  << QStringLiteral("OK: Taulukkoa Laskut ei saatu tyhjäksi: siihen jäi 1 rivi");
        QTest::newRow("two kept") << QStringLiteral("old.x <= 2")
                                  << QStringLiteral("OK: Taulukkoa Laskut ei saatu tyhjäksi: siihen jäi 2 riviä");
        QTest::newRow("none kept") << QStringLiteral("0") << QStringLiteral("OK: Poistettu taulukon Laskut rivit");
    }

    void emptyingSaysHowManyRowsRemain()
    {
        QFETCH(QString, kept);
        QFETCH(QString, message);
        ChosenDatabase db(QStringLiteral("CREATE TABLE Laskut (x); INSERT INTO Laskut VALUES (1), (2), (3);"
                                         "CREATE TRIGGER pidä BEFORE DELETE ON Laskut WHEN %1"
                                         " BEGIN SELECT RAISE(IGNORE); END;")
                              .arg(kept));
        db.window.dialogs.confirmAnswers = {true};
        db.window.select(QStringLiteral("Laskut"));
        db.window.click(QStringLiteral("cmdTyhjenna"));
        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).startsWith(message), qPrintable(boxes.at(1)));
        const qint64 left = testdb::rowCount(db.file, QStringLiteral("Laskut"));
        QCOMPARE(boxes.at(1).contains(QString::number(left)), left > 0);
    }

    // Another program holds the write lock: the rename is refused before any
    // copy is taken, in one box that names the database and gives the
    // reason in Finnish.
    void aLockedDatabaseRefusesTheRenameInOneBox()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Asiakkaat (x); INSERT INTO Asiakkaat VALUES (1);"));
        const QByteArray before = testdb::fileBytes(db.file);
        const OtherProgram other(db.file);
        QCOMPARE(other.exec("BEGIN IMMEDIATE; INSERT INTO Asiakkaat VALUES (2);"), SQLITE_OK);

        db.window.dialogs.textAnswers = {QStringLiteral("Uusi")};
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdNimea"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).contains(QStringLiteral("Tiedosto: ") + db.file + QLatin1Char('\n')),
                 qPrintable(boxes.at(1)));
        QVERIFY2(boxes.at(1).contains(QStringLiteral("Syy: Toinen ohjelma käyttää tietokantaa; sulje se ja yritä "
                                                     "uudelleen")),
                 qPrintable(boxes.at(1)));
        QCOMPARE(db.copies(), QStringList{});
        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.window.listed(), QStringList{"Asiakkaat"});
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

    // The deletion fails, and so does reading the list again afterwards:
    // the operator still gets one box that tells both.
    void aFailureAndAFailingListGiveOneBox()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Asiakkaat (x);"));
        const QByteArray before = testdb::fileBytes(db.file);
        const OtherProgram other(db.file);
        QCOMPARE(other.exec("BEGIN EXCLUSIVE; INSERT INTO Asiakkaat VALUES (1);"), SQLITE_OK);

        db.window.dialogs.confirmAnswers = {true};
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdPoista"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).contains(QStringLiteral("Taulukkoluetteloa ei voitu päivittää")), qPrintable(boxes.at(1)));
        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies(), QStringList{});
    }
};

QTEST_MAIN(TestTableFaults)
#include "tst_tablefaults.moc"
