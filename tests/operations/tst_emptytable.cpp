#include "ChosenDatabase.h"
#include "SchemaHealth.h"

#include <QDir>
#include <QTest>

namespace {

const QString kTables = QStringLiteral("CREATE TABLE Asiakkaat (nro INTEGER NOT NULL, nimi TEXT);"
                                       "INSERT INTO Asiakkaat VALUES (1, 'Aho'), (2, 'Öhman');"
                                       "CREATE TABLE \"Henkilöstö ja palkat\" (x);"
                                       "INSERT INTO \"Henkilöstö ja palkat\" VALUES (1);"
                                       "CREATE TABLE \"Vanha]nimi\" (y); INSERT INTO \"Vanha]nimi\" VALUES (1);");
const QStringList kTableNames{"Asiakkaat", "Henkilöstö ja palkat", "Vanha]nimi"};

// The question, with the line that tells what emptying takes.
QString question(const QString& table, const QString& rows)
{
    return QStringLiteral("Kyllä/Ei [Poistetaan '%1' rivit?] oletus Ei: Tyhjennetäänkö '%1' taulukko? | %2 "
                          "Tyhjennyksestä ei oteta varmuuskopiota.")
        .arg(table, rows);
}

// A chain A <- B <- C <- D whose keys delete with the actions given; B's
// fourth row and C's third refer to no row that goes.
QString chain(const QString& b, const QString& c = QStringLiteral("CASCADE"),
              const QString& d = QStringLiteral("CASCADE"), const QString& cColumn = QStringLiteral("b INTEGER"),
              const QString& bColumn = QStringLiteral("a INTEGER"))
{
    return QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY);"
                          "CREATE TABLE B (id INTEGER PRIMARY KEY, %5 REFERENCES A %1);"
                          "CREATE TABLE C (id INTEGER PRIMARY KEY, %4 REFERENCES B %2);"
                          "CREATE TABLE D (id INTEGER PRIMARY KEY, c INTEGER REFERENCES C ON DELETE %3);"
                          "CREATE VIEW Näkymä AS SELECT * FROM B JOIN C ON C.b = B.id;"
                          "INSERT INTO A VALUES (1), (2); INSERT INTO B VALUES (1, 1), (2, 1), (3, 2), (4, NULL);"
                          "INSERT INTO C VALUES (1, 1), (2, 3), (3, 4); INSERT INTO D VALUES (1, 1), (2, 2), (3, 3);")
        .arg(b, c, d, cColumn, bColumn);
}

const QString kCopy = QStringLiteral("Ennen tyhjennystä otetaan varmuuskopio, koska muutos ulottuu muihin taulukoihin.");
const QString kNoCopy = QStringLiteral("Tyhjennyksestä ei oteta varmuuskopiota.");

QString refusal(const QString& why)
{
    return QStringLiteral("OK: Taulukkoa A ei tyhjennetty, koska %1 Tietokanta on ennallaan.").arg(why);
}

// "A=0 B=1": the rows each table holds.
QString rowsLeft(const QString& file, const QStringList& tables)
{
    QStringList counts;
    for (const QString& table : tables)
        counts.append(QStringLiteral("%1=%2").arg(table).arg(testdb::rowCount(file, table)));
    return counts.join(QLatin1Char(' '));
}

} // namespace

class TestEmptyTable : public QObject {
    Q_OBJECT

private slots:
    // No safety copy, the table and its definition stay, the list and its
    // selection stay, and the same table can be emptied again at once.
    void yesDeletesEveryRowAndLeavesTheListAsItWas()
    {
        ChosenDatabase db(kTables);
        const QString definition =
            testdb::value(db.file, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Asiakkaat'"));
        db.window.select(QStringLiteral("Asiakkaat"));
        db.window.dialogs.confirmAnswers = {true, true};
        db.window.click(QStringLiteral("cmdTyhjenna"));

        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Asiakkaat"), QStringLiteral("Taulukossa on 2 riviä.")),
                                          QStringLiteral("OK: Poistettu taulukon Asiakkaat rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(0));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Henkilöstö ja palkat")), qint64(1));
        QCOMPARE(testdb::value(db.file, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = 'Asiakkaat'")),
                 definition);
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(QDir(db.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"yritys.wk1"});
        QCOMPARE(db.window.listed(), kTableNames);
        QCOMPARE(db.window.list()->selectedItems().size(), 1);
        QCOMPARE(db.window.list()->selectedItems().first()->text(), QStringLiteral("Asiakkaat"));

        db.window.dialogs.shown.clear();
        db.window.click(QStringLiteral("cmdTyhjenna"));
        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Asiakkaat"), QStringLiteral("Taulukossa ei ole rivejä.")),
                                          QStringLiteral("OK: Poistettu taulukon Asiakkaat rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(0));
    }

    // A large count is written the Finnish way, with a space between the thousands.
    void theQuestionCountsTheRows()
    {
        ChosenDatabase db(QStringLiteral("CREATE TABLE Laskut (x);"
                                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 99420)"
                                         " INSERT INTO Laskut SELECT i FROM n;"));
        db.window.select(QStringLiteral("Laskut"));
        db.window.click(QStringLiteral("cmdTyhjenna"));
        QCOMPARE(db.boxes(), QStringList{question(QStringLiteral("Laskut"), QStringLiteral("Taulukossa on 99\u00A0420 riviä."))});
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Laskut")), qint64(99420));
    }

    // A table whose name holds "]" is emptied like any other.
    void aNameWithABracketIsEmptiedLikeAnyOther()
    {
        ChosenDatabase db(kTables);
        db.window.select(QStringLiteral("Vanha]nimi"));
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdTyhjenna"));

        QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("Vanha]nimi"), QStringLiteral("Taulukossa on 1 rivi.")),
                                          QStringLiteral("OK: Poistettu taulukon Vanha]nimi rivit")}));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Vanha]nimi")), qint64(0));
        QCOMPARE(testdb::rowCount(db.file, QStringLiteral("Asiakkaat")), qint64(2));
        QCOMPARE(db.copies(), QStringList());
        QCOMPARE(db.window.listed(), kTableNames);
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

    // Emptying A when the schema carries it further: the question tells every
    // table the engine reaches and how many rows, or the refusal comes
    // instead of it; Yes does exactly what was told, a copy first when other
    // tables lose or change rows, and leaves the file healthy.
    void emptyingTellsWhatItReaches_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("first");   // the question's line under its text, or the refusal box
        QTest::addColumn<QString>("left");
        QTest::addColumn<bool>("copy");

        const QString two = QStringLiteral("Taulukossa on 2 riviä. ");
        QTest::newRow("no keys") << QStringLiteral("CREATE TABLE A (id); CREATE TABLE B (a);"
                                                   "INSERT INTO A VALUES (1), (2); INSERT INTO B VALUES (1);")
                                 << two + kNoCopy << "A=0 B=1" << false;
        QTest::newRow("cascade, depth 1")
            << chain("ON DELETE CASCADE", "ON DELETE SET NULL")
            << two + kCopy + "\nTaulukosta B poistuu samalla 3 riviä.\nTaulukossa C muuttuu samalla 2 riviä."
            << "A=0 B=1 C=3 D=3" << true;
        QTest::newRow("cascade, depth 2")
            << chain("ON DELETE CASCADE", "ON DELETE CASCADE", "SET NULL")
            << two + kCopy
                   + "\nTaulukosta B poistuu samalla 3 riviä.\nTaulukosta C poistuu samalla 2 riviä."
                     "\nTaulukossa D muuttuu samalla 2 riviä."
            << "A=0 B=1 C=1 D=3" << true;
        QTest::newRow("cascade, depth 3")
            << chain("ON DELETE CASCADE", "ON DELETE CASCADE", "CASCADE")
            << two + kCopy
                   + "\nTaulukosta B poistuu samalla 3 riviä.\nTaulukosta C poistuu samalla 2 riviä."
                     "\nTaulukosta D poistuu samalla 2 riviä."
            << "A=0 B=1 C=1 D=1" << true;
        QTest::newRow("cascade, write-ahead log")
            << "PRAGMA journal_mode=WAL;" + chain("ON DELETE CASCADE", "ON DELETE CASCADE", "SET NULL")
            << two + kCopy
                   + "\nTaulukosta B poistuu samalla 3 riviä.\nTaulukosta C poistuu samalla 2 riviä."
                     "\nTaulukossa D muuttuu samalla 2 riviä."
            << "A=0 B=1 C=1 D=3" << true;
        QTest::newRow("a name with quotes and spaces")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY);"
                              "CREATE TABLE \"Laskun \"\"rivit\"\" ä\" (a REFERENCES A ON DELETE CASCADE);"
                              "INSERT INTO A VALUES (1), (2); INSERT INTO \"Laskun \"\"rivit\"\" ä\" VALUES (2);")
            << two + kCopy + "\nTaulukosta Laskun \"rivit\" ä poistuu samalla 1 rivi." << "A=0" << true;
        QTest::newRow("set null, depth 1")
            << chain("ON DELETE SET NULL", "")
            << two + kCopy + "\nTaulukossa B muuttuu samalla 3 riviä." << "A=0 B=4 C=3 D=3" << true;
        QTest::newRow("set default onto a row that stays, depth 2")
            << chain("ON DELETE CASCADE", "ON DELETE SET DEFAULT", "CASCADE", "b INTEGER DEFAULT 4")
            << two + kCopy + "\nTaulukosta B poistuu samalla 3 riviä.\nTaulukossa C muuttuu samalla 2 riviä."
            << "A=0 B=1 C=3 D=3" << true;
        QTest::newRow("set default onto a missing row, depth 1")
            << chain("ON DELETE SET DEFAULT", "", "CASCADE", "b INTEGER", "a INTEGER DEFAULT 9")
            << refusal("taulukon B rivit muuttuisivat viittaamaan taulukon A riveihin, joita ei ole.")
            << "A=2 B=4 C=3 D=3" << false;
        QTest::newRow("set default onto a missing row, depth 2")
            << chain("ON DELETE CASCADE", "ON DELETE SET DEFAULT", "CASCADE", "b INTEGER DEFAULT 9")
            << refusal("taulukon C rivit muuttuisivat viittaamaan taulukon B riveihin, joita ei ole.")
            << "A=2 B=4 C=3 D=3" << false;
        QTest::newRow("no action, depth 1")
            << chain("", "")
            << refusal("taulukossa B on rivejä, jotka viittaavat sen riveihin.") << "A=2 B=4 C=3 D=3" << false;
        QTest::newRow("no action, depth 2")
            << chain("ON DELETE CASCADE", "")
            << refusal("taulukossa C on rivejä, jotka viittaavat taulukon B riveihin, joihin tyhjennys ulottuu.")
            << "A=2 B=4 C=3 D=3" << false;
        QTest::newRow("restrict, depth 3")
            << chain("ON DELETE CASCADE", "ON DELETE CASCADE", "RESTRICT")
            << refusal("taulukossa D on rivejä, jotka viittaavat taulukon C riveihin, joihin tyhjennys ulottuu.")
            << "A=2 B=4 C=3 D=3" << false;
        QTest::newRow("deferred, depth 1")
            << chain("DEFERRABLE INITIALLY DEFERRED", "")
            << refusal("taulukossa B on rivejä, jotka viittaavat sen riveihin.") << "A=2 B=4 C=3 D=3" << false;
        QTest::newRow("no action, no row refers")
            << chain("", "") + "UPDATE B SET a = NULL;" << two + kNoCopy << "A=0 B=4 C=3 D=3" << false;
        QTest::newRow("set null into NOT NULL")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY);"
                              "CREATE TABLE B (a INTEGER NOT NULL REFERENCES A ON DELETE SET NULL);"
                              "INSERT INTO A VALUES (1), (2); INSERT INTO B VALUES (1);")
            << refusal("viittaus asettaisi taulukon B sarakkeeseen a tyhjän arvon, jota sarake ei salli.")
            << "A=2 B=1" << false;
        // The referred column is no key: the engine can check no row of B.
        QTest::newRow("a key the engine cannot use")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY, x);"
                              "CREATE TABLE B (a REFERENCES A (x) ON DELETE CASCADE);"
                              "INSERT INTO A VALUES (1, 1), (2, 2);")
            << refusal("taulukon B viittaus siihen on määritelty virheellisesti, eikä tietokanta voi tarkistaa "
                       "sitä.")
                   + " | Tietokannan ilmoitus: foreign key mismatch - \"B\" referencing \"A\""
            << "A=2 B=0" << false;
        QTest::newRow("cycle")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY, b INTEGER REFERENCES B ON DELETE CASCADE);"
                              "CREATE TABLE B (id INTEGER PRIMARY KEY, a INTEGER REFERENCES A ON DELETE CASCADE);"
                              "INSERT INTO A VALUES (1, NULL), (2, NULL); INSERT INTO B VALUES (1, 1), (2, NULL);"
                              "UPDATE A SET b = 2 WHERE id = 2;")
            << two + kCopy + "\nTaulukosta B poistuu samalla 1 rivi." << "A=0 B=1" << true;
        QTest::newRow("self-reference and another table")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY, ylempi INTEGER REFERENCES A ON DELETE CASCADE);"
                              "CREATE TABLE B (a INTEGER REFERENCES A ON DELETE SET NULL);"
                              "INSERT INTO A VALUES (1, NULL), (2, 1); INSERT INTO B VALUES (1), (2), (NULL);")
            << two + kCopy + "\nTaulukossa B muuttuu samalla 2 riviä." << "A=0 B=3" << true;
        QTest::newRow("composite key")
            << QStringLiteral("CREATE TABLE A (x, y, PRIMARY KEY (x, y));"
                              "CREATE TABLE B (x, y, FOREIGN KEY (x, y) REFERENCES A ON DELETE CASCADE);"
                              "INSERT INTO A VALUES (1, 1), (1, 2); INSERT INTO B VALUES (1, 1), (1, 2), (1, NULL);")
            << two + kCopy + "\nTaulukosta B poistuu samalla 2 riviä." << "A=0 B=1" << true;
        QTest::newRow("two keys of one row set to NULL: the row changes once")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY);"
                              "CREATE TABLE B (x, a1 REFERENCES A ON DELETE SET NULL, a2 REFERENCES A ON DELETE SET NULL);"
                              "INSERT INTO A VALUES (1), (2); INSERT INTO B VALUES ('b', 1, 2);")
            << two + kCopy + "\nTaulukossa B muuttuu samalla 1 rivi." << "A=0 B=1" << true;
        QTest::newRow("tables without row ids")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY);"
                              "CREATE TABLE B (id PRIMARY KEY, a REFERENCES A ON DELETE CASCADE) WITHOUT ROWID;"
                              "CREATE TABLE C (id PRIMARY KEY, b REFERENCES B ON DELETE SET NULL) WITHOUT ROWID;"
                              "INSERT INTO A VALUES (1), (2); INSERT INTO B VALUES (1, 1), (2, 2), (3, NULL);"
                              "INSERT INTO C VALUES (1, 1), (2, 3);")
            << two + kCopy + "\nTaulukosta B poistuu samalla 2 riviä.\nTaulukossa C muuttuu samalla 1 rivi."
            << "A=0 B=1 C=2" << true;
        QTest::newRow("a trigger deletes elsewhere, some rows and all of a table")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY); CREATE TABLE Loki (a); CREATE TABLE Roskat (x);"
                              "CREATE TRIGGER siivous AFTER DELETE ON A BEGIN"
                              " DELETE FROM Loki WHERE a = old.id; DELETE FROM Roskat; END;"
                              "INSERT INTO A VALUES (1), (2); INSERT INTO Loki VALUES (1), (1), (2), (3);"
                              "INSERT INTO Roskat VALUES (1), (2);")
            << two + kCopy + "\nTaulukosta Loki poistuu samalla 3 riviä.\nTaulukosta Roskat poistuu samalla 2 riviä."
            << "A=0 Loki=1 Roskat=0" << true;
        QTest::newRow("another table's trigger, run by a cascade")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY, x);"
                              "CREATE TABLE B (a REFERENCES A ON DELETE CASCADE); CREATE TABLE L (x);"
                              "CREATE TRIGGER muutos AFTER UPDATE ON A BEGIN UPDATE L SET x = new.x; END;"
                              "CREATE TRIGGER siivous AFTER DELETE ON B BEGIN DELETE FROM L; END;"
                              "INSERT INTO A VALUES (1, 0), (2, 0); INSERT INTO B VALUES (1), (2);"
                              "INSERT INTO L VALUES (1), (2), (3);")
            << two + kCopy + "\nTaulukosta B poistuu samalla 2 riviä.\nTaulukosta L poistuu samalla 3 riviä."
            << "A=0 B=0 L=0" << true;
        QTest::newRow("a trigger only adds rows elsewhere")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY); CREATE TABLE Loki (a);"
                              "CREATE TRIGGER kirjaus AFTER DELETE ON A BEGIN INSERT INTO Loki VALUES (old.id); END;"
                              "INSERT INTO A VALUES (1), (2);")
            << two + kNoCopy + "\nTaulukkoon Loki lisätään samalla 2 riviä." << "A=0 Loki=2" << false;
        QTest::newRow("a trigger refuses")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY); CREATE TABLE B (a REFERENCES A);"
                              "CREATE TRIGGER lukko BEFORE DELETE ON A BEGIN SELECT RAISE(ABORT, 'Kausi on lukittu'); END;"
                              "INSERT INTO A VALUES (1), (2);")
            << refusal("tietokannan sääntö estää sen.") + " | Tietokannan ilmoitus: Kausi on lukittu" << "A=2 B=0"
            << false;
        // The trigger's work takes far longer than the counting may: the counts
        // are left out, and the copy is taken since a trigger may reach anything.
        QTest::newRow("not counted in time")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY); CREATE TABLE Loki (n); CREATE TABLE N (i);"
                              "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 400)"
                              " INSERT INTO N SELECT i FROM k;"
                              "CREATE TRIGGER raskas AFTER DELETE ON A BEGIN"
                              " INSERT INTO Loki SELECT count(*) FROM N AS x, N AS y, N AS z WHERE x.i + y.i > z.i; END;"
                              "INSERT INTO A VALUES (1);")
            << QStringLiteral("Taulukossa on 1 rivi. Muiden taulukoiden rivejä ei ehditty laskea. Ennen tyhjennystä "
                              "otetaan varmuuskopio, koska muutos voi ulottua muihin taulukoihin.")
            << "A=0 Loki=1 N=400" << true;
    }

    void emptyingTellsWhatItReaches()
    {
        QFETCH(QString, schema);
        QFETCH(QString, first);
        QFETCH(QString, left);
        QFETCH(bool, copy);
        ChosenDatabase db(schema);
        const QByteArray before = testdb::fileBytes(db.file);
        QStringList tables;
        for (const QString& entry : left.split(QLatin1Char(' ')))
            tables.append(entry.section(QLatin1Char('='), 0, 0));
        const QString rowsBefore = rowsLeft(db.file, tables);
        // Healthy before, but for the schema whose key is broken from the start.
        const QStringList problemsBefore = schemaProblems(db.file);
        QVERIFY(problemsBefore.isEmpty() || QByteArray(QTest::currentDataTag()) == "a key the engine cannot use");
        db.window.select(QStringLiteral("A"));
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdTyhjenna"));

        if (first.startsWith(QLatin1String("OK: "))) {
            QCOMPARE(db.boxes(), QStringList{first});
            QCOMPARE(testdb::fileBytes(db.file), before);
        } else {
            const QString done = QStringLiteral("Poistettu taulukon A rivit");
            QCOMPARE(db.boxes(), (QStringList{question(QStringLiteral("A"), first).section(QStringLiteral(" | "), 0, 0)
                                                  + QStringLiteral(" | ") + first,
                                              copy ? db.closingBox(done) : QStringLiteral("OK: ") + done}));
        }
        QCOMPARE(rowsLeft(db.file, tables), left);
        QCOMPARE(db.copies().size(), copy ? 1 : 0);
        if (copy)   // the copy holds the rows as they were
            QCOMPARE(rowsLeft(db.newestCopy(), tables), rowsBefore);
        QCOMPARE(schemaProblems(db.file), problemsBefore);
    }

    // What another program does while the question waits: Yes changes
    // nothing when the emptying would now do more or other than the question
    // said, or the engine would refuse it; the copy taken for it goes again.
    void changesDuringTheQuestion_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("box");

        const QString cascade = chain("ON DELETE CASCADE", "ON DELETE SET NULL");
        QTest::newRow("more rows to delete")
            << cascade << "INSERT INTO B VALUES (9, 2)"
            << "OK: Rivit, joihin taulukon A tyhjennys ulottuu, muuttuivat kysymyksen jälkeen, joten mitään ei "
               "tyhjennetty. Yritä uudelleen.";
        QTest::newRow("a new row that blocks")
            << cascade << "CREATE TABLE E (b REFERENCES B); INSERT INTO E VALUES (1)"
            << "OK: Taulukkoa A ei tyhjennetty, koska taulukossa E on rivejä, jotka viittaavat taulukon B "
               "riveihin, joihin tyhjennys ulottuu. Tietokanta on ennallaan.";
        QTest::newRow("a key comes to a table that had none")
            << QStringLiteral("CREATE TABLE A (id INTEGER PRIMARY KEY); INSERT INTO A VALUES (1);")
            << "CREATE TABLE B (a REFERENCES A ON DELETE CASCADE); INSERT INTO B VALUES (1)"
            << "OK: Rivit, joihin taulukon A tyhjennys ulottuu, muuttuivat kysymyksen jälkeen, joten mitään ei "
               "tyhjennetty. Yritä uudelleen.";
    }

    void changesDuringTheQuestion()
    {
        QFETCH(QString, schema);
        QFETCH(QString, meanwhile);
        QFETCH(QString, box);
        ChosenDatabase db(schema);
        db.window.select(QStringLiteral("A"));
        db.window.dialogs.confirmAnswers = {true};
        QByteArray changed;
        db.window.dialogs.whileConfirming = [&](const QString&) {
            testdb::run(db.file, meanwhile);
            changed = testdb::fileBytes(db.file);
        };
        db.window.click(QStringLiteral("cmdTyhjenna"));
        QVERIFY(!changed.isEmpty());
        QCOMPARE(db.boxes().constLast(), box);
        QCOMPARE(testdb::fileBytes(db.file), changed);
        QCOMPARE(db.copies(), QStringList());
    }
};

QTEST_MAIN(TestEmptyTable)
#include "tst_emptytable.moc"
