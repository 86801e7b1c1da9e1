#include "ChosenTables.h"
#include "SchemaHealth.h"

#include <QTest>

// Views and triggers survive the deletions: a view that reads a deleted table
// goes with it, named in the question first; a trigger of a table that stays
// and uses a table that goes refuses the change before any question. After
// every change the file is healthy.

namespace {

const QString kShop = QStringLiteral(
    "CREATE TABLE Maksu (id INTEGER PRIMARY KEY, summa, myymala);"
    "CREATE TABLE Myymala (id INTEGER PRIMARY KEY, nimi); CREATE TABLE Loki (teksti);"
    "CREATE VIEW \"Myynti myymälöittäin\" AS SELECT m.nimi, sum(p.summa) AS yht FROM MAKSU AS p "
    "JOIN Myymala AS m ON m.id = p.myymala GROUP BY m.nimi;"
    "CREATE VIEW Paras AS SELECT * FROM \"Myynti myymälöittäin\" ORDER BY yht DESC LIMIT 1;"
    "CREATE VIEW Myymalat AS SELECT nimi FROM Myymala;"
    "INSERT INTO Myymala VALUES (1, 'Keskusta'); INSERT INTO Maksu VALUES (1, 10, 1), (2, 5, 1), (3, 7, 1);");
const QString kOthersTrigger = QStringLiteral(
    "CREATE TABLE Asiakas (id INTEGER PRIMARY KEY, nimi); CREATE TABLE Loki (teksti);"
    "CREATE TRIGGER Kirjaa AFTER UPDATE ON Asiakas BEGIN INSERT INTO Loki VALUES (new.nimi); END;");
const QString kTriggerThroughView = QStringLiteral(
    "CREATE TABLE Hinta (x); CREATE TABLE Tilaus (y); CREATE TABLE Loki (t);"
    "CREATE VIEW Hinnat AS SELECT x FROM Hinta;"
    "CREATE TRIGGER Hinnoittele AFTER INSERT ON Tilaus BEGIN INSERT INTO Loki SELECT x FROM Hinnat; END;");
const QString kRegisterViews = QStringLiteral(
    "CREATE TABLE Tulorekisteri_1_A (x); CREATE TABLE Tulorekisteri_1_B (y); CREATE TABLE Asiakkaat (z);"
    "CREATE VIEW Yhteenveto AS SELECT * FROM Tulorekisteri_1_A, Tulorekisteri_1_B;"
    "CREATE VIEW Asiakaslista AS SELECT z FROM Asiakkaat;");
const QString kRegisterTrigger = QStringLiteral(
    "CREATE TABLE Tulorekisteri_2 (x); CREATE TABLE Asiakkaat (z);"
    "CREATE TRIGGER Ilmoita AFTER INSERT ON Asiakkaat BEGIN INSERT INTO Tulorekisteri_2 VALUES (new.z); END;");

QStringList views(const QString& file)
{
    return testdb::value(file, QStringLiteral("SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master "
                                              "WHERE type = 'view' ORDER BY rowid)"))
        .split(QLatin1Char(','), Qt::SkipEmptyParts);
}

QString copyFirst(const QString& line)
{
    return line + QStringLiteral(" Ennen poistoa otetaan varmuuskopio.");
}

} // namespace

class TestDependents : public QObject {
    Q_OBJECT

private slots:
    void deletionKeepsWhatStaysWorking_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("detail");    // the question's line; empty: refused instead
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QStringList>("tablesAfter");
        QTest::addColumn<QStringList>("viewsAfter");

        const QString deleteOne = QStringLiteral("cmdPoista");
        const QString deleteAll = QStringLiteral("cmdPoistaTulorekisteriTaulut");
        QTest::newRow("views go with the table they read")
            << kShop << deleteOne << "Maksu"
            << copyFirst("Taulukossa on 3 riviä. Samalla poistetaan näkymät Myynti myymälöittäin ja Paras, jotka "
                         "lukevat taulukkoa.")
            << "" << QStringList{"Myymala", "Loki"} << QStringList{"Myymalat"};
        QTest::newRow("another table's trigger writes it")
            << kOthersTrigger << deleteOne << "Loki" << ""
            << "Taulukkoa Loki ei poistettu, koska taulukon Asiakas liipaisin Kirjaa käyttää sitä. Tietokanta on "
               "ennallaan."
            << QStringList{} << QStringList{};
        QTest::newRow("a table's own trigger goes with it")
            << kOthersTrigger << deleteOne << "Asiakas" << copyFirst("Taulukossa ei ole rivejä.") << ""
            << QStringList{"Loki"} << QStringList{};
        QTest::newRow("another table's trigger reads a view that would go")
            << kTriggerThroughView << deleteOne << "Hinta" << ""
            << "Taulukkoa Hinta ei poistettu, koska taulukon Tilaus liipaisin Hinnoittele käyttää näkymää Hinnat, "
               "joka poistuisi sen mukana. Tietokanta on ennallaan."
            << QStringList{} << QStringList{};
        QTest::newRow("walk: a view of register tables goes")
            << kRegisterViews << deleteAll << ""
            << copyFirst("Poistetaan 2 taulukkoa: Tulorekisteri_1_A, Tulorekisteri_1_B. Samalla poistetaan näkymä "
                         "Yhteenveto, joka lukee niitä.")
            << "" << QStringList{"Asiakkaat"} << QStringList{"Asiakaslista"};
        QTest::newRow("walk: a staying table's trigger writes a register table")
            << kRegisterTrigger << deleteAll << "" << ""
            << "Yhtään taulukkoa ei poistettu, koska jäävät taulukot tarvitsevat poistettavia:\ntaulukon Asiakkaat "
               "liipaisin Ilmoita käyttää taulukkoa Tulorekisteri_2\nTietokanta on ennallaan."
            << QStringList{} << QStringList{};
    }

    void deletionKeepsWhatStaysWorking()
    {
        QFETCH(QString, schema);
        QFETCH(QString, button);
        QFETCH(QString, table);
        QFETCH(QString, detail);
        QFETCH(QString, refusal);
        QFETCH(QStringList, tablesAfter);
        QFETCH(QStringList, viewsAfter);

        ChosenTables db(schema);
        const QByteArray before = testdb::fileBytes(db.file);
        ScriptedDialogs& dialogs = db.dialogs;
        dialogs.confirmAnswers = {true};
        if (!table.isEmpty())
            db.view.select(table);
        db.run(button);

        const QList<ScriptedDialogs::Shown> asked = dialogs.shownOf(ScriptedDialogs::Kind::Confirm);
        if (!refusal.isEmpty()) {
            QCOMPARE(asked.size(), 0);
            QCOMPARE(db.boxes(), QStringList{QStringLiteral("OK: ") + refusal});
            QCOMPARE(testdb::fileBytes(db.file), before);
            QCOMPARE(db.copies(), QStringList());
            return;
        }
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().detail, detail);
        QCOMPARE(db.tables(), tablesAfter);
        QCOMPARE(views(db.file), viewsAfter);
        QCOMPARE(schemaProblems(db.file), QStringList());
        QCOMPARE(db.copies().size(), 1);
        QCOMPARE(testdb::fileBytes(db.newestCopy()), before);
    }

    // Each view goes in the commit of the first table it reads: after every
    // step the file is healthy, and a stopped walk keeps the views of the
    // tables that stay.
    void aStoppedWalk()
    {
        ChosenTables db(QStringLiteral(
            "CREATE TABLE Tulorekisteri_1 (x); CREATE TABLE Tulorekisteri_2 (x); CREATE TABLE Asiakkaat (z);"
            "CREATE TABLE Tulorekisteri_3 (x);"
            "CREATE VIEW Alku AS SELECT * FROM Tulorekisteri_1; CREATE VIEW Loppu AS SELECT * FROM Tulorekisteri_3;"
            "CREATE VIEW Molemmat AS SELECT * FROM Tulorekisteri_1, Tulorekisteri_3;"
            "CREATE VIEW Asiakaslista AS SELECT z FROM Asiakkaat;"));
        ScriptedDialogs& dialogs = db.dialogs;
        dialogs.confirmAnswers = {true};
        dialogs.stopAfterSteps = 2;
        QStringList problemsMeanwhile;
        int steps = 0;
        dialogs.whileProgressing = [&](const ScriptedDialogs::ProgressShown& work) {
            if (!work.text.startsWith(QStringLiteral("Poistetaan taulukoita")))
                return;   // the safety copy's
            ++steps;
            problemsMeanwhile += schemaProblems(db.file);
        };
        db.run(QStringLiteral("cmdPoistaTulorekisteriTaulut"));

        QCOMPARE(dialogs.shownOf(ScriptedDialogs::Kind::Confirm).first().detail,
                 copyFirst("Poistetaan 3 taulukkoa: Tulorekisteri_1, Tulorekisteri_2, Tulorekisteri_3. Samalla "
                           "poistetaan 3 näkymää, jotka lukevat niitä: Alku, Loppu, Molemmat."));
        QCOMPARE(steps, 2);
        QCOMPARE(problemsMeanwhile, QStringList());
        QCOMPARE(db.tables(), (QStringList{"Tulorekisteri_1", "Asiakkaat"}));
        QCOMPARE(views(db.file), (QStringList{"Alku", "Asiakaslista"}));
        QCOMPARE(schemaProblems(db.file), QStringList());
    }

    // Another program changes the schema while the question or the prompt
    // is open: what was asked no longer holds, so nothing is changed and no
    // copy taken, and the box holds no lock while it waits for the operator.
    void schemaChangedDuringTheQuestion_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("box");
        QTest::newRow("delete: another view reads the table")
            << kShop << "cmdPoista" << "Maksu" << "CREATE VIEW Uusi AS SELECT summa FROM maksu"
            << "Taulukkoa Maksu ei poistettu, koska tietokanta muuttui kysymyksen jälkeen. Tietokanta on ennallaan.";
        QTest::newRow("delete: a trigger now writes the table")
            << kShop << "cmdPoista" << "Loki"
            << "CREATE TRIGGER Kirjaa AFTER INSERT ON Maksu BEGIN INSERT INTO Loki VALUES (new.summa); END"
            << "Taulukkoa Loki ei poistettu, koska taulukon Maksu liipaisin Kirjaa käyttää sitä. Tietokanta on "
               "ennallaan.";
        QTest::newRow("cleanup: another view reads a register table")
            << kRegisterViews << "cmdPoistaTulorekisteriTaulut" << ""
            << "CREATE VIEW Uusi AS SELECT y FROM Tulorekisteri_1_B"
            << "Yhtään taulukkoa ei poistettu, koska tietokanta muuttui kysymyksen jälkeen. Tietokanta on ennallaan.";
        QTest::newRow("rename: another program takes the new name")
            << kShop << "cmdNimea" << "Loki" << "CREATE VIEW UUSI AS SELECT 1"
            << "Taulukkoa Loki ei nimetty uudelleen, koska tietokannassa on jo näkymä UUSI. Tietokanta on "
               "ennallaan.";
    }

    void schemaChangedDuringTheQuestion()
    {
        QFETCH(QString, schema);
        QFETCH(QString, button);
        QFETCH(QString, table);
        QFETCH(QString, change);
        QFETCH(QString, box);
        ChosenTables db(schema);
        ScriptedDialogs& dialogs = db.dialogs;
        dialogs.confirmAnswers = {true};
        dialogs.textAnswers = {QStringLiteral("Uusi")};
        dialogs.whileConfirming = [&](const QString&) { testdb::run(db.file, change); };
        dialogs.whileAsking = dialogs.whileConfirming;
        bool othersCouldWrite = false;
        dialogs.whileInforming = [&](const QString&) { othersCouldWrite = testdb::othersCanWrite(db.file); };
        if (!table.isEmpty())
            db.view.select(table);
        const QStringList tablesBefore = db.tables();
        db.run(button);

        QCOMPARE(db.boxes().constLast(), QStringLiteral("OK: ") + box);
        QVERIFY(othersCouldWrite);
        QCOMPARE(db.tables(), tablesBefore);
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(schemaProblems(db.file), QStringList());
    }
};

QTEST_MAIN(TestDependents)
#include "tst_dependents.moc"
