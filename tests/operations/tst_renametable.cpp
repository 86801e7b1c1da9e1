#include "ChosenDatabase.h"
#include "OtherProgram.h"
#include "SchemaHealth.h"

#include <QRegularExpression>
#include <QTest>

#include <sqlite3.h>

namespace {

const QString kTables = QStringLiteral("CREATE TABLE Asiakkaat (nro INTEGER, nimi TEXT);"
                                       "INSERT INTO Asiakkaat VALUES (1, 'Aho'), (2, 'Öhman'), (3, NULL);"
                                       "CREATE TABLE Äyräpää (x); CREATE TABLE b (y, viite REFERENCES Puuttuva (id));"
                                       "INSERT INTO b VALUES (5, NULL);"
                                       "CREATE VIEW Näkymä AS SELECT nimi FROM Asiakkaat;"
                                       "CREATE INDEX Hakemisto ON b (y);"
                                       "CREATE TRIGGER Kirjaus AFTER INSERT ON b BEGIN SELECT 1; END;");
const QStringList kTableNames{"Asiakkaat", "Äyräpää", "b"};
const QString kRows = QStringLiteral("SELECT group_concat(nro || ':' || ifnull(nimi, '-'), ',') FROM \"%1\"");

// A table with everything that makes it work, and what names it from
// outside: another table's key, a view and another table's trigger.
const QString kWhole = QStringLiteral(
    "CREATE TABLE Alku (x);"
    "CREATE TABLE Asiakas (id INTEGER PRIMARY KEY AUTOINCREMENT, nimi TEXT NOT NULL UNIQUE CHECK (nimi <> ''),"
    " ryhma TEXT DEFAULT 'yleinen', esimies INTEGER REFERENCES Asiakas (id));"
    "CREATE INDEX Asiakas_ryhma ON Asiakas (ryhma);"
    "CREATE TABLE Loki (asiakas INTEGER);"
    "CREATE TRIGGER Asiakas_lisatty AFTER INSERT ON Asiakas BEGIN INSERT INTO Loki VALUES (new.id); END;"
    "CREATE TABLE Tilaus (nro INTEGER PRIMARY KEY, asiakas INTEGER REFERENCES asiakas (id) ON DELETE CASCADE);"
    "CREATE VIEW Nimet AS SELECT a.nimi FROM \"ASIAKAS\" AS a JOIN Tilaus ON Tilaus.asiakas = a.id ORDER BY a.nimi;"
    "CREATE TRIGGER Tilaus_merkitty AFTER UPDATE ON Tilaus BEGIN UPDATE Asiakas SET ryhma = 'tilannut'"
    " WHERE id = new.asiakas; END;"
    "INSERT INTO Asiakas (nimi, esimies) VALUES ('Aho', NULL), ('Berg', 1), ('Cajander', 1);"
    "INSERT INTO Tilaus VALUES (10, 1), (11, 2), (12, 2);"
    "CREATE TABLE Loppu (y);");
const QString kVirtual = QStringLiteral(
    "CREATE TABLE Alku (x);"
    "CREATE VIRTUAL TABLE Haku USING fts5(teksti); INSERT INTO Haku VALUES ('palkka'), ('vero');"
    "CREATE VIRTUAL TABLE Alue USING rtree(id, x0, x1); INSERT INTO Alue VALUES (1, 0, 5);"
    "CREATE TABLE Loppu (y);");

QString prompt(const ChosenDatabase& db, const QString& table)
{
    return QStringLiteral("Kysy: Nimetään uudelleen tietokannasta\n") + db.file + QStringLiteral("\ntaulukko\n") + table
           + QStringLiteral("\nSyötä taulukon uusi nimi");
}

// Every row of `table`, each column as the engine quotes it, in row order.
QStringList rowsOf(const QString& file, const QString& table)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* query = nullptr;
    const QByteArray sql =
        QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(QString(table).replace('"', "\"\"")).toUtf8();
    QStringList rows;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &query, nullptr) == SQLITE_OK) {
        while (sqlite3_step(query) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(query); ++i)
                columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(query, i)));
            rows << columns.join(QLatin1Char('|'));
        }
    } else {
        rows << QStringLiteral("cannot read: ") + QString::fromUtf8(sqlite3_errmsg(db));
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return rows;
}

} // namespace

class TestRenameTable : public QObject {
    Q_OBJECT

private slots:
    void renameGivesTheTableTheNewName_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::newRow("plain") << "Asiakkaat2";
        QTest::newRow("blanks kept") << " Uudet asiakkaat ";
        QTest::newRow("blanks only") << "  ";
        QTest::newRow("Finnish letters") << "Yhteisöt ja yhtiöt";
        QTest::newRow("quotes") << "Asiakkaat \"vanhat\"";
    }

    void renameGivesTheTableTheNewName()
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
        // The table keeps its place in the list.
        QCOMPARE(db.tables(), (QStringList{newName, "Äyräpää", "b"}));
        QCOMPARE(db.window.listed(), db.tables());
        QVERIFY(db.nothingSelected());
        QCOMPARE(testdb::value(db.file, kRows.arg(QString(newName).replace('"', "\"\""))), rows);
        QCOMPARE(schemaProblems(db.file), QStringList());

        QCOMPARE(db.copies().size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^yritys_wk_\\d{14}\\.var$")).match(db.copies().first()).hasMatch(),
                 qPrintable(db.copies().first()));
        QCOMPARE(testdb::fileBytes(db.copyPath(db.copies().first())), before);
    }

    // The table stays whole, and whatever names it follows the new name:
    // each row runs `change` (if any) after the rename and reads `probe`.
    void renameKeepsTheTableWhole_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");

        QTest::newRow("the counter and its row go on, no id comes again")
            << kWhole << "Asiakas" << "DELETE FROM Uusi WHERE id = 3; INSERT INTO Uusi (nimi) VALUES ('Dahl');"
            << "SELECT group_concat(id) || ' ' || (SELECT name || '=' || seq FROM sqlite_sequence) FROM Uusi"
            << "1,2,4 Uusi=4";
        QTest::newRow("NOT NULL, UNIQUE, CHECK, DEFAULT and its own key stay")
            << kWhole << "Asiakas" << "" << "SELECT sql FROM sqlite_master WHERE name = 'Uusi'"
            << "CREATE TABLE \"Uusi\" (id INTEGER PRIMARY KEY AUTOINCREMENT, nimi TEXT NOT NULL UNIQUE CHECK (nimi <> ''),"
               " ryhma TEXT DEFAULT 'yleinen', esimies INTEGER REFERENCES \"Uusi\" (id))";
        QTest::newRow("its own trigger still fires")
            << kWhole << "Asiakas" << "INSERT INTO Uusi (nimi) VALUES ('Dahl');"
            << "SELECT group_concat(asiakas) FROM Loki" << "1,2,3,4";
        QTest::newRow("another table's key follows, its cascade works")
            << kWhole << "Asiakas" << "PRAGMA foreign_keys = ON; DELETE FROM Uusi WHERE id = 2;"
            << "SELECT group_concat(nro) FROM Tilaus" << "10";
        QTest::newRow("a view follows")
            << kWhole << "Asiakas" << "" << "SELECT group_concat(nimi) FROM Nimet" << "Aho,Berg,Berg";
        QTest::newRow("write-ahead log: a view follows")
            << "PRAGMA journal_mode = WAL;" + kWhole << "Asiakas" << "" << "SELECT group_concat(nimi) FROM Nimet"
            << "Aho,Berg,Berg";
        QTest::newRow("another table's trigger follows")
            << kWhole << "Asiakas" << "UPDATE Tilaus SET nro = 13 WHERE nro = 12;"
            << "SELECT group_concat(nimi || ':' || ryhma) FROM Uusi" << "Aho:yleinen,Berg:tilannut,Cajander:yleinen";
        QTest::newRow("no view or trigger: checks, expression and partial indexes, generated column")
            << "CREATE TABLE Hinta (id INTEGER PRIMARY KEY, netto REAL CHECK (netto >= 0),"
               " brutto REAL GENERATED ALWAYS AS (netto * 1.24) STORED);"
               "CREATE INDEX Hinta_pyoristetty ON Hinta (round(netto));"
               "CREATE INDEX Hinta_kalliit ON Hinta (netto) WHERE netto > 100;"
               "INSERT INTO Hinta (netto) VALUES (50), (200);"
            << "Hinta" << "INSERT INTO Uusi (netto) VALUES (150);"
            << "SELECT group_concat(brutto) FROM Uusi INDEXED BY Hinta_kalliit WHERE netto > 100" << "186.0,248.0";
        QTest::newRow("a full-text index with its parts")
            << kVirtual << "Haku" << "" << "SELECT group_concat(teksti) FROM Uusi WHERE Uusi MATCH 'vero'" << "vero";
        QTest::newRow("a spatial index with its parts")
            << kVirtual << "Alue" << "" << "SELECT count(*) FROM Uusi WHERE x0 <= 3 AND x1 >= 3" << "1";
    }

    void renameKeepsTheTableWhole()
    {
        QFETCH(QString, schema);
        QFETCH(QString, table);
        QFETCH(QString, change);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        const QString newName = QStringLiteral("Uusi");
        ChosenDatabase db(schema);
        const QStringList rows = rowsOf(db.file, table);
        const QStringList tablesBefore = db.tables();
        // Its parts take the new name, each in its place.
        QStringList names = tablesBefore;
        for (QString& name : names)
            if (name == table || (schema == kVirtual && name.startsWith(table + QLatin1Char('_'))))
                name.replace(0, table.size(), newName);

        db.window.select(table);
        db.window.dialogs.textAnswers = {newName};
        db.window.click(QStringLiteral("cmdNimea"));

        QCOMPARE(db.boxes(), (QStringList{prompt(db, table), db.closingBox(QStringLiteral("Uudelleennimetty!"))}));
        QCOMPARE(db.tables(), names);
        QCOMPARE(db.window.listed(), names);
        QCOMPARE(rowsOf(db.file, newName), rows);
        QCOMPARE(schemaProblems(db.file), QStringList());
        // The copy holds the table as it was, under its old name.
        QCOMPARE(db.copies().size(), 1);
        QCOMPARE(testdb::tableNames(db.newestCopy()), tablesBefore);
        QCOMPARE(rowsOf(db.newestCopy(), table), rows);

        if (!change.isEmpty())
            testdb::run(db.file, change);
        QCOMPARE(testdb::value(db.file, probe), expected);
        QCOMPARE(schemaProblems(db.file), QStringList());
    }

    // What the engine would refuse for any name is told instead of the
    // prompt: no lock while the box waits, no copy, the file as it was.
    void refusedBeforeThePrompt_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("box");

        const QString plain = QStringLiteral("CREATE TABLE Asiakkaat (x); CREATE TABLE Muu (y);"
                                             "INSERT INTO Asiakkaat VALUES (1);");
        QTest::newRow("a view of another table is broken")
            << plain + "CREATE VIEW \"Myynti: kuukausi\" AS SELECT y FROM Muu; DROP TABLE Muu;" << "Asiakkaat"
            << "OK: Taulukkoa Asiakkaat ei voi nimetä uudelleen, koska tietokannan näkymää Myynti: kuukausi ei voi "
               "lukea. Tietokanta on ennallaan. | Alkuperäinen ilmoitus: error in view Myynti: kuukausi: no such "
               "table: main.Muu";
        QTest::newRow("a trigger writes into a table that is gone")
            << plain + "CREATE TRIGGER Kirjaa AFTER INSERT ON Asiakkaat BEGIN INSERT INTO Muu VALUES (1); END;"
                       "DROP TABLE Muu;"
            << "Asiakkaat"
            << "OK: Taulukkoa Asiakkaat ei voi nimetä uudelleen, koska taulukon Asiakkaat liipaisinta Kirjaa ei voi "
               "lukea. Tietokanta on ennallaan. | Alkuperäinen ilmoitus: error in trigger Kirjaa: no such table: "
               "main.Muu";
        QTest::newRow("the engine's own table")
            << "CREATE TABLE Laskut (id INTEGER PRIMARY KEY AUTOINCREMENT, summa); INSERT INTO Laskut (summa) "
               "VALUES (10);"
            << "sqlite_sequence"
            << "OK: Taulukkoa sqlite_sequence ei voi nimetä uudelleen, koska se on tietokantamoottorin oma taulukko. "
               "Tietokanta on ennallaan.";
        QTest::newRow("a part of a full-text index")
            << kVirtual << "Haku_data"
            << "OK: Taulukkoa Haku_data ei voi nimetä uudelleen, koska se on osa taulukkoa Haku, joka ei toimi ilman "
               "sitä. Taulukon Haku voi nimetä uudelleen, ja sen osat saavat uudet nimet sen mukana. Tietokanta on "
               "ennallaan.";
    }

    void refusedBeforeThePrompt()
    {
        QFETCH(QString, schema);
        QFETCH(QString, table);
        QFETCH(QString, box);
        ChosenDatabase db(schema);
        const QByteArray before = testdb::fileBytes(db.file);
        const QStringList listed = db.window.listed();
        bool othersCouldWrite = false;
        db.window.dialogs.whileInforming = [&](const QString&) { othersCouldWrite = testdb::othersCanWrite(db.file); };
        db.window.dialogs.textAnswers = {QStringLiteral("Uusi")};
        db.window.select(table);
        db.window.click(QStringLiteral("cmdNimea"));

        QCOMPARE(db.boxes(), QStringList{box});
        QVERIFY(othersCouldWrite);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(db.window.listed(), listed);
    }

    // The checks on the new name come under the lock and before the copy:
    // a refused name leaves no copy and the file as it was. A "]" is
    // refused as it always was.
    void refusedNameChangesNothing_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("box");
        const QString bracket = QStringLiteral("OK: Uudelleennimeäminen hylättiin; taulukko Asiakkaat on ennallaan.\n");
        const auto refused = [](const QString& because) {
            return QStringLiteral("OK: Taulukkoa Asiakkaat ei nimetty uudelleen, koska %1. Tietokanta on ennallaan.")
                .arg(because);
        };
        QTest::newRow("closing bracket") << "Uusi]nimi" << bracket;
        QTest::newRow("second statement") << "x] FROM [Asiakkaat]; DROP TABLE [b" << bracket;
        QTest::newRow("its own name")
            << "Asiakkaat" << refused("Asiakkaat on taulukon nykyinen nimi, kun isoja ja pieniä kirjaimia ei eroteta");
        QTest::newRow("its own name in other case")
            << "ASIAKKAAT" << refused("ASIAKKAAT on taulukon nykyinen nimi, kun isoja ja pieniä kirjaimia ei eroteta");
        QTest::newRow("existing name in other case") << "B" << refused("tietokannassa on jo taulukko b");
        QTest::newRow("existing name, Finnish letters in other case")
            << "äYRÄPÄÄ" << refused("tietokannassa on jo taulukko Äyräpää");
        QTest::newRow("a view's name") << "NÄKYMÄ" << refused("tietokannassa on jo näkymä Näkymä");
        QTest::newRow("an index's name") << "hakemisto" << refused("tietokannassa on jo indeksi Hakemisto");
        QTest::newRow("a trigger's name") << "kirjaus" << refused("tietokannassa on jo taulukon b liipaisin Kirjaus");
        QTest::newRow("a name a key already refers to")
            << "Puuttuva"
            << refused("taulukko b viittaa taulukkoon Puuttuva, jota ei ole; tällä nimellä viittaus osoittaisi "
                       "taulukkoon Asiakkaat");
        QTest::newRow("a name kept for the engine")
            << "SQLite_omat" << refused("sqlite_-alkuiset nimet on varattu tietokantamoottorille, joten nimeä "
                                        "SQLite_omat ei voi antaa");
    }

    void refusedNameChangesNothing()
    {
        QFETCH(QString, newName);
        QFETCH(QString, box);
        ChosenDatabase db(kTables);
        const QByteArray before = testdb::fileBytes(db.file);
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.dialogs.textAnswers = {newName, QStringLiteral("Asiakkaat2")};
        db.window.click(QStringLiteral("cmdNimea"));

        const QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), 2);
        if (box.endsWith(QLatin1Char('\n')))
            QVERIFY2(boxes.at(1).startsWith(box), qPrintable(boxes.at(1)));
        else
            QCOMPARE(boxes.at(1), box);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.window.listed(), kTableNames);
        QCOMPARE(db.copies(), QStringList());

        // The program goes on: the next rename works.
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdNimea"));
        QCOMPARE(db.boxes().last(), db.closingBox(QStringLiteral("Uudelleennimetty!")));
        QCOMPARE(db.tables(), (QStringList{"Asiakkaat2", "Äyräpää", "b"}));
        QCOMPARE(db.copies().size(), 1);
        QCOMPARE(schemaProblems(db.file), QStringList());
    }

    // A table whose own name holds "]" is renamed like any other.
    void aTableNamedWithABracketIsRenamed()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE \"Vanha]nimi\" (y); INSERT INTO \"Vanha]nimi\" VALUES (7);"
                                         "CREATE VIEW v AS SELECT y FROM \"Vanha]nimi\";"));
        db.window.select(QStringLiteral("Vanha]nimi"));
        db.window.dialogs.textAnswers = {QStringLiteral("Uusi nimi")};
        db.window.click(QStringLiteral("cmdNimea"));
        QCOMPARE(db.boxes().last(), db.closingBox(QStringLiteral("Uudelleennimetty!")));
        QCOMPARE(db.tables(), QStringList{"Uusi nimi"});
        QCOMPARE(testdb::value(db.file, QStringLiteral("SELECT y FROM v")), QStringLiteral("7"));
        QCOMPARE(schemaProblems(db.file), QStringList());
    }

    // Another program changes the file while the prompt waits: what it did
    // is seen under the lock, before the copy. So is a view that would not
    // work under the new name.
    void changedDuringThePrompt_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("box");
        QTest::newRow("a view was broken")
            << "CREATE TABLE Muu (y); CREATE VIEW Raportti AS SELECT y FROM Muu; DROP TABLE Muu;"
            << "OK: Taulukkoa Asiakkaat ei nimetty uudelleen, koska tietokannan näkymää Raportti ei voi lukea. "
               "Tietokanta on ennallaan. | Alkuperäinen ilmoitus: error in view Raportti: no such table: main.Muu";
        QTest::newRow("nothing changed, but a view uses the name")
            << "" << "OK: Taulukkoa Asiakkaat ei nimetty uudelleen, koska näkymä Vertailu ei toimisi uuden nimen "
                     "kanssa. Tietokanta on ennallaan. | Alkuperäinen ilmoitus: error in view Vertailu after rename: "
                     "ambiguous column name: Uusi.x";
    }

    void changedDuringThePrompt()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QString, box);
        ChosenDatabase db(QStringLiteral("CREATE TABLE Asiakkaat (x); INSERT INTO Asiakkaat VALUES (1);"
                                         "CREATE TABLE Muut (x); CREATE VIEW Vertailu AS SELECT Uusi.x FROM Asiakkaat,"
                                         " Muut AS Uusi;"));
        QByteArray changed = testdb::fileBytes(db.file);
        db.window.dialogs.whileAsking = [&](const QString&) {
            if (meanwhile.isEmpty())
                return;
            testdb::run(db.file, meanwhile);
            changed = testdb::fileBytes(db.file);
        };
        db.window.dialogs.textAnswers = {QStringLiteral("Uusi")};
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdNimea"));

        QCOMPARE(db.boxes().size(), 2);
        QCOMPARE(db.boxes().last(), box);
        QCOMPARE(testdb::fileBytes(db.file), changed);
        QCOMPARE(db.copies(), QStringList());
    }

    // Another program holds the write lock: the rename is refused before any
    // copy is taken, in one box that names the database and gives the
    // reason in Finnish. Where a view makes the rename be tried before the
    // prompt, the wait comes then, and the prompt does not.
    void aLockedDatabaseRefusesTheRenameInOneBox_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<bool>("prompted");
        QTest::newRow("plain tables") << "" << true;
        QTest::newRow("with a view") << "CREATE VIEW Kaikki AS SELECT x FROM Asiakkaat;" << false;
    }

    void aLockedDatabaseRefusesTheRenameInOneBox()
    {
        QFETCH(QString, schema);
        QFETCH(bool, prompted);
        ChosenDatabase db(QStringLiteral("CREATE TABLE Asiakkaat (x); INSERT INTO Asiakkaat VALUES (1);") + schema);
        const QByteArray before = testdb::fileBytes(db.file);
        const OtherProgram other(db.file);
        QCOMPARE(other.exec("BEGIN IMMEDIATE; INSERT INTO Asiakkaat VALUES (2);"), SQLITE_OK);

        db.window.dialogs.textAnswers = {QStringLiteral("Uusi")};
        db.window.dialogs.stopAfterSteps = 2;   // Keskeytä while waiting
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.click(QStringLiteral("cmdNimea"));

        QStringList boxes = db.boxes();
        QCOMPARE(boxes.size(), prompted ? 2 : 1);
        if (prompted)
            QCOMPARE(boxes.takeFirst(), prompt(db, QStringLiteral("Asiakkaat")));
        QVERIFY2(boxes.at(0).endsWith(QStringLiteral("Tiedosto: ") + db.file),
                 qPrintable(boxes.at(0)));
        QVERIFY2(boxes.at(0).startsWith(QStringLiteral("OK: Taulukkoa Asiakkaat ei nimetty uudelleen, koska toinen "
                                                       "ohjelma käyttää tietokantaa.")),
                 qPrintable(boxes.at(0)));
        QCOMPARE(db.copies(), QStringList{});
        QCOMPARE(other.exec("ROLLBACK"), SQLITE_OK);
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.window.listed(), QStringList{"Asiakkaat"});
    }
};

QTEST_MAIN(TestRenameTable)
#include "tst_renametable.moc"
