#include "ChosenTables.h"
#include "SchemaHealth.h"

#include <QRegularExpression>
#include <QTest>

// References between tables survive every operation: each row runs one
// operation on one schema and either sees it refused, with the file exactly
// as it was and no safety copy, or sees it done without adding a single
// broken reference.

namespace {

enum class Operation { Delete, Rename, Empty, DeleteAllRegisterTables };

const QString kParentChild = QStringLiteral(
    "CREATE TABLE Artist (id INTEGER PRIMARY KEY, nimi TEXT);"
    "CREATE TABLE Album (id INTEGER PRIMARY KEY, artisti INTEGER REFERENCES artist (id));"
    "CREATE TABLE Muut (x);"
    "INSERT INTO Artist VALUES (1, 'A'), (2, 'B'); INSERT INTO Album VALUES (1, 1), (2, 1), (3, NULL);");
// Album's rows refer to an artist that is gone, and Tilaus to a table that is.
const QString kAlreadyBroken = QStringLiteral(
    "CREATE TABLE Artist (id INTEGER PRIMARY KEY); CREATE TABLE Album (artisti REFERENCES Artist (id));"
    "CREATE TABLE Tilaus (asiakas REFERENCES Poistunut (id)); CREATE TABLE Muut (x);"
    "INSERT INTO Artist VALUES (1); INSERT INTO Album VALUES (9), (NULL); INSERT INTO Tilaus VALUES (5);");
const QString kSelf = QStringLiteral(
    "CREATE TABLE Henkilo (id INTEGER PRIMARY KEY, esimies INTEGER REFERENCES Henkilo (id) ON DELETE RESTRICT);"
    "INSERT INTO Henkilo VALUES (1, NULL), (2, 1);");
const QString kCascade = QStringLiteral(
    "CREATE TABLE Lasku (id INTEGER PRIMARY KEY);"
    "CREATE TABLE Rivi (nro, lasku INTEGER REFERENCES Lasku ON DELETE CASCADE);"
    "CREATE TABLE Merkinta (x, lasku INTEGER, FOREIGN KEY (lasku) REFERENCES Lasku (id) ON DELETE SET NULL);"
    "INSERT INTO Lasku VALUES (1), (2); INSERT INTO Rivi VALUES (1, 1), (2, 2), (3, 2), (4, NULL);"
    "INSERT INTO Merkinta VALUES ('m', 1);");
const QString kCycle = QStringLiteral(
    "CREATE TABLE Tulorekisteri_1_A (id INTEGER PRIMARY KEY, b INTEGER REFERENCES Tulorekisteri_1_B (id));"
    "CREATE TABLE Tulorekisteri_1_B (id INTEGER PRIMARY KEY, a INTEGER REFERENCES Tulorekisteri_1_A (id));"
    "CREATE TABLE Asiakkaat (x);"
    "INSERT INTO Tulorekisteri_1_A VALUES (1, 1); INSERT INTO Tulorekisteri_1_B VALUES (1, 1);");
const QString kStayingRefers = QStringLiteral(
    "CREATE TABLE Tulorekisteri_2 (id INTEGER PRIMARY KEY); CREATE TABLE Tulorekisteri_3 (y);"
    "CREATE TABLE Asiakkaat (rekisteri REFERENCES Tulorekisteri_2);");
const QString kNoKeys = QStringLiteral(
    "CREATE TABLE Tulorekisteri_1 (id); CREATE TABLE Asiakkaat (id, viite); INSERT INTO Asiakkaat VALUES (1, 2);");

// A view of an ordinary table and one of a register table; a trigger of
// Asiakas writes into Loki.
const QString kViewsTriggers = QStringLiteral(
    "CREATE TABLE Maksu (id INTEGER PRIMARY KEY, summa); CREATE TABLE Asiakas (id INTEGER PRIMARY KEY, nimi);"
    "CREATE TABLE Loki (teksti); CREATE TABLE Tulorekisteri_5 (x); CREATE TABLE Asiakkaat (y);"
    "CREATE VIEW Myynti AS SELECT sum(m.summa) FROM \"MAKSU\" AS m;"
    "CREATE VIEW Rekisteri AS SELECT count(*) FROM (SELECT x FROM Tulorekisteri_5);"
    "CREATE TRIGGER Kirjaa AFTER INSERT ON Asiakas BEGIN INSERT INTO Loki VALUES (new.nimi); END;"
    "INSERT INTO Maksu VALUES (1, 10), (2, 20); INSERT INTO Asiakas VALUES (1, 'A');");
// Three levels of cascades under Yla, and a key of two columns.
const QString kChainComposite = QStringLiteral(
    "CREATE TABLE Yla (id INTEGER PRIMARY KEY);"
    "CREATE TABLE Keski (id INTEGER PRIMARY KEY, yla REFERENCES Yla ON DELETE CASCADE);"
    "CREATE TABLE Ala (keski REFERENCES Keski ON DELETE CASCADE);"
    "CREATE TABLE Pari (a, b, PRIMARY KEY (a, b));"
    "CREATE TABLE Viite (a, b, FOREIGN KEY (a, b) REFERENCES Pari (a, b) ON DELETE CASCADE);"
    "INSERT INTO Yla VALUES (1), (2); INSERT INTO Keski VALUES (10, 1), (11, 2), (12, NULL);"
    "INSERT INTO Ala VALUES (10), (10), (11), (12); INSERT INTO Pari VALUES (1, 1), (1, 2);"
    "INSERT INTO Viite VALUES (1, 1), (1, 2), (NULL, 3);");

qint64 brokenReferences(const QString& file)
{
    return testdb::value(file, QStringLiteral("SELECT count(*) FROM pragma_foreign_key_check")).toLongLong();
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestReferences : public QObject {
    Q_OBJECT

private slots:
    void operationKeepsReferences_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("refusal");   // empty: the operation goes through
        QTest::addColumn<QString>("detail");    // the emptying question's line

        const auto refused = [](const QString& table, const QString& notDone, const QString& why) {
            return QStringLiteral("Taulukkoa %1 %2, koska %3 siihen. Poista ensin viittaavat taulukot.")
                .arg(table, notDone, why);
        };
        const auto notDeleted = [](const QString& table, const QString& why) {
            return QStringLiteral("Taulukkoa %1 ei poistettu, koska %2 siihen. Tietokanta on ennallaan.")
                .arg(table, why);
        };
        QTest::newRow("delete a referred table") << kParentChild << Operation::Delete << "Artist"
                                                 << notDeleted("Artist", "taulukko Album viittaa")
                                                 << "";
        QTest::newRow("rename a referred table") << kParentChild << Operation::Rename << "Artist" << "" << "";
        QTest::newRow("rename a referring table") << kParentChild << Operation::Rename << "Album" << "" << "";
        QTest::newRow("delete a referring table") << kParentChild << Operation::Delete << "Album" << "" << "";
        QTest::newRow("empty a referred table")
            << kParentChild << Operation::Empty << "Artist"
            << "Taulukkoa Artist ei tyhjennetty, koska taulukossa Album on rivejä, jotka viittaavat sen riveihin. "
               "Tietokanta on ennallaan."
            << "";
        QTest::newRow("empty a referring table") << kParentChild << Operation::Empty << "Album" << "" << "";
        QTest::newRow("broken: delete an uninvolved table") << kAlreadyBroken << Operation::Delete << "Muut" << ""
                                                            << "";
        QTest::newRow("broken: empty, no row refers to a row")
            << kAlreadyBroken << Operation::Empty << "Artist" << "" << "";
        QTest::newRow("broken: rename a table referring to a missing one")
            << kAlreadyBroken << Operation::Rename << "Tilaus" << "" << "";
        QTest::newRow("self: delete") << kSelf << Operation::Delete << "Henkilo" << "" << "";
        QTest::newRow("self: rename") << kSelf << Operation::Rename << "Henkilo" << "" << "";
        QTest::newRow("self: empty") << kSelf << Operation::Empty << "Henkilo" << "" << "";
        QTest::newRow("cascade: delete")
            << kCascade << Operation::Delete << "Lasku"
            << notDeleted("Lasku", "taulukot Rivi ja Merkinta viittaavat") << "";
        QTest::newRow("cascade: empty") << kCascade << Operation::Empty << "Lasku" << ""
                                        << "Taulukosta Rivi poistuu samalla 3 riviä.\n"
                                           "Taulukossa Merkinta muuttuu samalla 1 rivi.";
        QTest::newRow("cycle: delete one") << kCycle << Operation::Delete << "Tulorekisteri_1_A"
                                           << notDeleted("Tulorekisteri_1_A", "taulukko Tulorekisteri_1_B viittaa")
                                           << "";
        QTest::newRow("cycle: both go in one walk") << kCycle << Operation::DeleteAllRegisterTables << "" << ""
                                                    << "";
        QTest::newRow("walk: a staying table refers")
            << kStayingRefers << Operation::DeleteAllRegisterTables << ""
            << "Yhtään taulukkoa ei poistettu, koska jäävät taulukot viittaavat poistettaviin:\n"
               "taulukko Asiakkaat viittaa taulukkoon Tulorekisteri_2\nTietokanta on ennallaan."
            << "";
        QTest::newRow("view: delete the table it reads") << kViewsTriggers << Operation::Delete << "Maksu" << ""
                                                         << "";
        QTest::newRow("trigger: delete the table another's trigger writes")
            << kViewsTriggers << Operation::Delete << "Loki"
            << "Taulukkoa Loki ei poistettu, koska taulukon Asiakas liipaisin Kirjaa käyttää sitä. Tietokanta on "
               "ennallaan."
            << "";
        QTest::newRow("view: rename the table it reads") << kViewsTriggers << Operation::Rename << "Maksu" << ""
                                                         << "";
        QTest::newRow("trigger: rename the table it writes") << kViewsTriggers << Operation::Rename << "Loki" << ""
                                                             << "";
        QTest::newRow("view: a walk takes the view of its table")
            << kViewsTriggers << Operation::DeleteAllRegisterTables << "" << "" << "";
        QTest::newRow("chain of three: empty the top")
            << kChainComposite << Operation::Empty << "Yla" << ""
            << "Taulukosta Keski poistuu samalla 2 riviä.\nTaulukosta Ala poistuu samalla 3 riviä.";
        QTest::newRow("chain of three: delete the middle")
            << kChainComposite << Operation::Delete << "Keski" << notDeleted("Keski", "taulukko Ala viittaa") << "";
        QTest::newRow("composite key: empty") << kChainComposite << Operation::Empty << "Pari" << ""
                                              << "Taulukosta Viite poistuu samalla 2 riviä.";
        QTest::newRow("composite key: rename") << kChainComposite << Operation::Rename << "Pari" << "" << "";
        QTest::newRow("no keys: delete") << kNoKeys << Operation::Delete << "Asiakkaat" << "" << "";
        QTest::newRow("no keys: empty") << kNoKeys << Operation::Empty << "Asiakkaat" << "" << "";
        QTest::newRow("no keys: walk") << kNoKeys << Operation::DeleteAllRegisterTables << "" << "" << "";
    }

    void operationKeepsReferences()
    {
        QFETCH(QString, schema);
        QFETCH(Operation, operation);
        QFETCH(QString, table);
        QFETCH(QString, refusal);
        QFETCH(QString, detail);

        ChosenTables db(schema);
        const QByteArray before = testdb::fileBytes(db.file);
        const QStringList tablesBefore = db.tables();
        const qint64 brokenBefore = brokenReferences(db.file);
        const bool healthyBefore = schemaProblems(db.file).isEmpty();
        ScriptedDialogs& dialogs = db.dialogs;
        dialogs.confirmAnswers = {true};
        // A refusal holds no lock while it waits for the operator.
        bool othersCouldWrite = false;
        dialogs.whileInforming = [&](const QString&) { othersCouldWrite = testdb::othersCanWrite(db.file); };
        if (!table.isEmpty())
            db.view.select(table);
        switch (operation) {
        case Operation::Delete:
            db.run(QStringLiteral("cmdPoista"));
            break;
        case Operation::Rename:
            dialogs.textAnswers = {QStringLiteral("Uusi")};
            db.run(QStringLiteral("cmdNimea"));
            break;
        case Operation::Empty:
            db.run(QStringLiteral("cmdTyhjenna"));
            break;
        case Operation::DeleteAllRegisterTables:
            db.run(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
            break;
        }

        if (!refusal.isEmpty()) {
            // Refused before any question.
            QCOMPARE(dialogs.shownOf(ScriptedDialogs::Kind::Confirm).size(), 0);
            QCOMPARE(db.boxes().constLast(), QStringLiteral("OK: ") + refusal);
            QVERIFY(othersCouldWrite);
            QCOMPARE(testdb::fileBytes(db.file), before);
            QCOMPARE(db.copies(), QStringList());
            return;
        }
        QVERIFY(brokenReferences(db.file) <= brokenBefore);
        QCOMPARE(testdb::integrity(db.file), QStringLiteral("ok"));
        if (healthyBefore)
            QCOMPARE(schemaProblems(db.file), QStringList());
        const QList<ScriptedDialogs::Shown> asked = dialogs.shownOf(ScriptedDialogs::Kind::Confirm);
        switch (operation) {
        case Operation::Delete:
            QCOMPARE(db.tables().size(), tablesBefore.size() - 1);
            QVERIFY(!db.tables().contains(table));
            break;
        case Operation::Rename: {
            // In its place; every key that named it names the new name, and
            // no row's reference changed.
            QStringList renamed = tablesBefore;
            renamed.replace(tablesBefore.indexOf(table), QStringLiteral("Uusi"));
            QCOMPARE(db.tables(), renamed);
            QCOMPARE(brokenReferences(db.file), brokenBefore);
            QCOMPARE(testdb::value(db.file, QStringLiteral("SELECT count(*) FROM sqlite_master AS m,"
                                                           " pragma_foreign_key_list(m.name) AS f WHERE f.\"table\""
                                                           " = '%1' COLLATE NOCASE")
                                                .arg(table)),
                     QStringLiteral("0"));
            break;
        }
        case Operation::Empty:
            QCOMPARE(asked.size(), 1);
            // Under the line of the table's own rows, what the emptying does to others.
            QCOMPARE(asked.first().detail.section(QLatin1Char('\n'), 1), detail);
            // Rows of other tables go or change with it: a safety copy first.
            QCOMPARE(db.boxes().constLast(), detail.isEmpty()
                                                 ? QStringLiteral("OK: Poistettu taulukon %1 rivit").arg(table)
                                                 : db.closingBox(QStringLiteral("Poistettu taulukon %1 rivit").arg(table)));
            QCOMPARE(db.copies().size(), detail.isEmpty() ? 0 : 1);
            QCOMPARE(testdb::rowCount(db.file, table), qint64(0));
            break;
        case Operation::DeleteAllRegisterTables:
            QVERIFY(db.tables().filter(QRegularExpression("^Tulorekisteri_")).isEmpty());
            QVERIFY(db.tables().contains(QStringLiteral("Asiakkaat")));
            break;
        }
    }

    // The declared actions ran as the engine runs them: the invoice's lines
    // went with it, the note lost only its reference.
    void cascadeChangesTheReferringRows()
    {
        ChosenTables db(kCascade);
        db.view.select(QStringLiteral("Lasku"));
        db.dialogs.confirmAnswers = {true};
        db.run(QStringLiteral("cmdTyhjenna"));

        QCOMPARE(testdb::value(db.file, QStringLiteral("SELECT group_concat(nro) FROM Rivi")), QStringLiteral("4"));
        QCOMPARE(testdb::value(db.file, QStringLiteral("SELECT x || ifnull(lasku, '-') FROM Merkinta")),
                 QStringLiteral("m-"));
    }

    // Rows that came to refer while the question was open stop the emptying.
    void referringRowsAddedDuringTheQuestion()
    {
        ChosenTables db(kParentChild);
        testdb::run(db.file, QStringLiteral("DELETE FROM Album"));
        db.view.select(QStringLiteral("Artist"));
        db.dialogs.confirmAnswers = {true};
        bool added = false;
        // Another program writes the referring row before the operator answers Yes.
        db.dialogs.whileConfirming = [&](const QString&) {
            testdb::run(db.file, QStringLiteral("INSERT INTO Album VALUES (7, 2)"));
            added = true;
        };
        db.run(QStringLiteral("cmdTyhjenna"));
        QVERIFY(added);
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Artist")), qint64(2));
        QCOMPARE(db.boxes().constLast(), QStringLiteral("OK: Taulukkoa Artist ei tyhjennetty, koska taulukossa Album "
                                                        "on rivejä, jotka viittaavat sen riveihin. Tietokanta on "
                                                        "ennallaan."));
    }
};

QTEST_MAIN(TestReferences)
#include "tst_references.moc"
