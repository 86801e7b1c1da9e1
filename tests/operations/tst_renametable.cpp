#include "ChosenDatabase.h"
#include "OtherProgram.h"

#include <QRegularExpression>
#include <QTest>

#include <sqlite3.h>

namespace {

const QString kTables = QStringLiteral("CREATE TABLE Asiakkaat (nro INTEGER, nimi TEXT);"
                                       "INSERT INTO Asiakkaat VALUES (1, 'Aho'), (2, 'Öhman'), (3, NULL);"
                                       "CREATE TABLE Äyräpää (x); CREATE TABLE b (y); INSERT INTO b VALUES (5);");
const QStringList kTableNames{"Asiakkaat", "Äyräpää", "b"};
const QString kRows = QStringLiteral("SELECT group_concat(nro || ':' || ifnull(nimi, '-'), ',') FROM \"%1\"");

QString prompt(const ChosenDatabase& db, const QString& table)
{
    return QStringLiteral("Kysy: Nimetään uudelleen tietokannasta\n") + db.file + QStringLiteral("\ntaulukko\n") + table
           + QStringLiteral("\nSyötä taulukon uusi nimi");
}

} // namespace

class TestRenameTable : public QObject {
    Q_OBJECT

private slots:
    void renameCopiesTheRowsAndDeletesTheOldTable_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::newRow("plain") << "Asiakkaat2";
        QTest::newRow("blanks kept") << " Uudet asiakkaat ";
        QTest::newRow("blanks only") << "  ";
        QTest::newRow("Finnish letters") << "Yhteisöt ja yhtiöt";
    }

    void renameCopiesTheRowsAndDeletesTheOldTable()
    {
        QFETCH(QString, newName);
        ChosenDatabase db(kTables, QStringLiteral("yritys.wk"));
        const QByteArray before = testdb::fileBytes(db.file);
        const QString rows = testdb::value(db.file, kRows.arg(QStringLiteral("Asiakkaat")));
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.dialogs.textAnswers = {newName};
        QStringList listedDuringMessage;
        db.window.dialogs.whileInforming = [&](const QString&) { listedDuringMessage = db.window.listed(); };
        db.window.click(QStringLiteral("cmdNimea"));

        QCOMPARE(db.boxes(), (QStringList{prompt(db, QStringLiteral("Asiakkaat")), db.closingBox(QStringLiteral("Uudelleennimetty!"))}));
        QCOMPARE(listedDuringMessage, kTableNames);
        QCOMPARE(db.tables(), (QStringList{"Äyräpää", "b", newName}));
        QCOMPARE(db.window.listed(), db.tables());
        QVERIFY(db.nothingSelected());
        QCOMPARE(testdb::value(db.file, kRows.arg(newName)), rows);

        QCOMPARE(db.copies().size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^yritys_wk_\\d{14}\\.var$")).match(db.copies().first()).hasMatch(),
                 qPrintable(db.copies().first()));
        QCOMPARE(testdb::fileBytes(db.copyPath(db.copies().first())), before);
    }

    // A "]" in the new name is refused before anything happens, as is a name
    // taken already in any letter case, which is found after the safety copy;
    // either way the file is as it was.
    void refusedNameChangesNothing_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<int>("copies");
        QTest::newRow("closing bracket") << "Uusi]nimi" << 0;
        QTest::newRow("second statement") << "x] FROM [Asiakkaat]; DROP TABLE [b" << 0;
        QTest::newRow("its own name") << "Asiakkaat" << 1;
        QTest::newRow("its own name in other case") << "ASIAKKAAT" << 1;
        QTest::newRow("existing name in other case") << "B" << 1;
        QTest::newRow("existing name, Finnish letters in other case") << "äYRÄPÄÄ" << 1;
    }

    void refusedNameChangesNothing()
    {
        QFETCH(QString, newName);
        QFETCH(int, copies);
        ChosenDatabase db(kTables);
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.dialogs.textAnswers = {newName, QStringLiteral("Asiakkaat2")};
        db.window.click(QStringLiteral("cmdNimea"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).startsWith(
                     QStringLiteral("OK: Uudelleennimeäminen hylättiin; taulukko Asiakkaat on ennallaan.\n")),
                 qPrintable(boxes.at(1)));
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.window.listed(), kTableNames);
        QCOMPARE(db.copies().size(), copies);
        if (copies > 0)
            QCOMPARE(testdb::fileBytes(db.copyPath(db.copies().first())), before);

        // The program goes on: the next rename works.
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdNimea"));
        QCOMPARE(db.boxes().last(), db.closingBox(QStringLiteral("Uudelleennimetty!")));
        QCOMPARE(db.tables(), (QStringList{"Äyräpää", "b", "Asiakkaat2"}));
        QCOMPARE(db.copies().size(), copies + 1);
    }

    // A table whose own name holds "]" is renamed like any other.
    void aTableNamedWithABracketIsRenamed()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE \"Vanha]nimi\" (y); INSERT INTO \"Vanha]nimi\" VALUES (7);"));
        db.window.select(QStringLiteral("Vanha]nimi"));
        db.window.dialogs.textAnswers = {QStringLiteral("Uusi nimi")};
        db.window.click(QStringLiteral("cmdNimea"));
        QCOMPARE(db.boxes().last(), db.closingBox(QStringLiteral("Uudelleennimetty!")));
        QCOMPARE(db.tables(), QStringList{"Uusi nimi"});
        QCOMPARE(testdb::value(db.file, QStringLiteral("SELECT y FROM \"Uusi nimi\"")), QStringLiteral("7"));
    }

    // The engine copies its sequence table but will not drop it: the copy and
    // the deletion are one transaction, so the file stays as it was.
    void failureAtTheDeleteStepLeavesTheFileUnchanged()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Laskut (id INTEGER PRIMARY KEY AUTOINCREMENT, summa);"
                                         "INSERT INTO Laskut (summa) VALUES (10), (20);"));
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.select(QStringLiteral("sqlite_sequence"));
        db.window.dialogs.textAnswers = {QStringLiteral("Sarjat")};
        db.window.click(QStringLiteral("cmdNimea"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).startsWith(QStringLiteral(
                     "OK: Uudelleennimeäminen epäonnistui; tietokanta on ennallaan, eikä taulukkoa Sarjat tehty.\n"
                     "Taulukkoa sqlite_sequence ei voitu poistaa.")),
                 qPrintable(boxes.at(1)));
        QCOMPARE(db.tables(), (QStringList{"Laskut", "sqlite_sequence"}));
        QCOMPARE(db.window.listed(), db.tables());
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies().size(), 1);
        QCOMPARE(testdb::fileBytes(db.copyPath(db.copies().first())), before);
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
        db.window.dialogs.stopAfterSteps = 2;   // Keskeytä while waiting
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdNimea"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY2(boxes.at(1).endsWith(QStringLiteral("Tiedosto: ") + db.file),
                 qPrintable(boxes.at(1)));
        QVERIFY2(boxes.at(1).startsWith(QStringLiteral("OK: Taulukkoa Asiakkaat ei nimetty uudelleen, koska toinen "
                                                       "ohjelma käyttää tietokantaa.")),
                 qPrintable(boxes.at(1)));
        QCOMPARE(db.copies(), QStringList{});
        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.window.listed(), QStringList{"Asiakkaat"});
    }
};

QTEST_MAIN(TestRenameTable)
#include "tst_renametable.moc"
