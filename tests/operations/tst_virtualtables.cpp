#include "ChosenDatabase.h"

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
        ChosenDatabase db(kTables);
        QVERIFY(db.tables().contains(QStringLiteral("Tulorekisteri_Haku_data")));
        db.window.dialogs.confirmAnswers = {true};
        db.window.click(QStringLiteral("cmdPoistaTulorekisteriTaulut"));
        QCOMPARE(db.tables(), QStringList{"Asiakkaat"});
        QCOMPARE(db.window.listed(), db.tables());
        QCOMPARE(testdb::integrity(db.file), QStringLiteral("ok"));
        QCOMPARE(db.copies().size(), 1);
    }

    // A part alone is refused and nothing changes; the virtual table itself
    // goes with all its parts.
    void aPartGoesOnlyWithItsVirtualTable()
    {
        ChosenDatabase db(kTables);
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
};

QTEST_MAIN(TestVirtualTables)
#include "tst_virtualtables.moc"
