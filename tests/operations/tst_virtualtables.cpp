#include "ChosenTables.h"

#include "db/DatabaseEngine.h"
#include "db/Failure.h"

#include <QTest>

namespace {

// A full-text index and a spatial index among plain tables; each keeps its
// data in tables named after it, which come after it in the catalogue.
const QString kTables = QStringLiteral(
    "CREATE TABLE Asiakkaat (x);"
    "CREATE VIRTUAL TABLE Tulorekisteri_Haku USING fts5(teksti);"
    "INSERT INTO Tulorekisteri_Haku VALUES ('palkka');"
    "CREATE VIRTUAL TABLE Tulorekisteri_Alue USING rtree(id, x0, x1);"
    "CREATE TABLE Tulorekisteri_1 (x);");

} // namespace

class TestVirtualTables : public QObject {
    Q_OBJECT

private slots:
    // The walk deletes each virtual table with its parts, never the parts
    // first; the list then equals the file.
    void theBulkWalkDeletesAVirtualTableWithItsParts()
    {
        ChosenTables db(kTables);
        QVERIFY(db.tables().contains(QStringLiteral("Tulorekisteri_Haku_data")));
        db.dialogs.confirmAnswers = {true};
        db.run(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
        QCOMPARE(db.tables(), QStringList{"Asiakkaat"});
        QCOMPARE(db.view.listed(), db.tables());
        QCOMPARE(testdb::integrity(db.file), QStringLiteral("ok"));
        QCOMPARE(db.copies().size(), 1);
    }

    // A part alone is refused and nothing changes; the virtual table itself
    // goes with all its parts.
    void aPartGoesOnlyWithItsVirtualTable()
    {
        ChosenTables db(kTables);
        const QByteArray before = testdb::fileBytes(db.file);
        Database database = DatabaseEngine::instance().open(db.file);
        try {
            database.deleteTable(QStringLiteral("Tulorekisteri_Haku_idx"));
            QFAIL("a part of a full-text index was deleted alone");
        } catch (const Failure& failure) {
            QVERIFY2(failure.detail().contains(QStringLiteral("Tulorekisteri_Haku")), qPrintable(failure.detail()));
        }
        QCOMPARE(testdb::fileBytes(db.file), before);

        database.deleteTable(QStringLiteral("Tulorekisteri_Alue"));
        QCOMPARE(database.tableNames(), testdb::tableNames(db.file));
        QVERIFY(!database.tableNames().contains(QStringLiteral("Tulorekisteri_Alue_node")));
        QVERIFY(database.tableNames().contains(QStringLiteral("Tulorekisteri_Haku_data")));
    }

    // A virtual table's new name must leave its parts' new names free, and
    // a plain table may not take a name that makes it look like a part:
    // the engine itself folds only ASCII letters, or fails without a word
    // of why. Refused before the copy; the file stays as it was.
    void aNameThatWouldMixUpPartsIsRefused_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("because");
        QTest::newRow("a part's new name is taken")
            << "Tulorekisteri_Haku" << "myynti"
            << "sen osa Tulorekisteri_Haku_data saisi nimen myynti_data, ja tietokannassa on jo taulukko "
               "Myynti_data";
        QTest::newRow("a part's new name is taken, Finnish letters in other case")
            << "Tulorekisteri_Haku" << "ä"
            << "sen osa Tulorekisteri_Haku_data saisi nimen ä_data, ja tietokannassa on jo taulukko Ä_data";
        QTest::newRow("a name kept for another's parts")
            << "Asiakkaat" << "Tulorekisteri_Alue_STAT"
            << "nimi Tulorekisteri_Alue_STAT on varattu taulukon Tulorekisteri_Alue osille";
    }

    void aNameThatWouldMixUpPartsIsRefused()
    {
        QFETCH(QString, table);
        QFETCH(QString, newName);
        QFETCH(QString, because);
        ChosenTables db(kTables + QStringLiteral("CREATE TABLE Myynti_data (x); CREATE TABLE \"Ä_data\" (x);"));
        const QByteArray before = testdb::fileBytes(db.file);
        db.view.select(table);
        db.dialogs.textAnswers = {newName};
        db.run(QStringLiteral("cmdNimea"));
        QCOMPARE(db.boxes().constLast(),
                 QStringLiteral("OK: Taulukkoa %1 ei nimetty uudelleen, koska %2. Tietokanta on ennallaan.")
                     .arg(table, because));
        QCOMPARE(testdb::fileBytes(db.file), before);
        QCOMPARE(db.copies(), QStringList());
    }
};

QTEST_MAIN(TestVirtualTables)
#include "tst_virtualtables.moc"
