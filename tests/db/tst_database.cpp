#include "TestDatabase.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"

#include <QTemporaryDir>
#include <QTest>

class TestDatabase : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void catalogueListsTablesInCreationOrderWithSystemTables()
    {
        const QString file = path("order.wk1");
        testdb::create(file, "CREATE TABLE Zeta (a); CREATE TABLE Alfa (id INTEGER PRIMARY KEY AUTOINCREMENT);"
                             "CREATE VIEW Näkymä AS SELECT * FROM Zeta; CREATE INDEX ix ON Zeta(a);"
                             "CREATE TABLE \"Henkilöstö ja palkat\" (x);");
        Database db = DatabaseEngine::instance().open(file);
        QCOMPARE(db.tableCount(), 4);
        QStringList names;
        for (int i = 0; i < db.tableCount(); ++i)
            names << db.tableName(i);
        QCOMPARE(names, (QStringList{"Zeta", "Alfa", "sqlite_sequence", "Henkilöstö ja palkat"}));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
