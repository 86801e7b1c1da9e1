#include "TestDatabase.h"
#include "db/DatabaseEngine.h"
#include "db/Dependencies.h"

#include <QTemporaryDir>
#include <QTest>

// What views and triggers use, as the engine resolves their names, on real
// files: each row deletes some tables and reads which views would go with
// them and which triggers of what stays would be left using what goes.

namespace {

// "trigger on [view ]owner uses [view ]name".
QStringList described(const QList<Dependencies::Blocker>& blockers)
{
    QStringList lines;
    for (const Dependencies::Blocker& b : blockers)
        lines.append(QStringLiteral("%1 on %2%3 uses %4%5")
                         .arg(b.trigger, b.ownerIsView ? QStringLiteral("view ") : QString(), b.owner,
                              b.usedIsView ? QStringLiteral("view ") : QString(), b.used));
    return lines;
}

const QString kLog = QStringLiteral("CREATE TABLE Loki (x);");

} // namespace

class TestDependencies : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int files_ = 0;

private slots:
    void whatGoesAndWhatBlocks_data()
    {
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QStringList>("tables");     // deleted
        QTest::addColumn<QStringList>("views");      // going with them, catalogue order
        QTest::addColumn<QStringList>("blockers");   // triggers of what stays

        QTest::newRow("quoted name with a space, in other letter case")
            << "CREATE TABLE \"Pay ment\" (id, amt); CREATE VIEW Myynti AS SELECT amt FROM \"PAY MENT\";"
            << QStringList{"Pay ment"} << QStringList{"Myynti"} << QStringList{};
        QTest::newRow("alias and subquery")
            << "CREATE TABLE a (x); CREATE TABLE b (y); CREATE TABLE c (z);"
               "CREATE VIEW v AS SELECT q.x FROM a AS q WHERE q.x IN (SELECT y FROM B);"
            << QStringList{"b", "c"} << QStringList{"v"} << QStringList{};
        QTest::newRow("view on view, in catalogue order")
            << "CREATE TABLE a (x); CREATE TABLE c (z); CREATE VIEW v1 AS SELECT x FROM a;"
               "CREATE VIEW v3 AS SELECT z FROM c; CREATE VIEW v2 AS SELECT * FROM v1 JOIN v3;"
            << QStringList{"a"} << QStringList{"v1", "v2"} << QStringList{};
        // A common table expression may hide a table of the same name.
        QTest::newRow("CTE named like a table")
            << "CREATE TABLE t (x); CREATE TABLE u (y); CREATE VIEW v AS WITH t AS (SELECT y FROM u) SELECT * FROM t;"
            << QStringList{"t"} << QStringList{} << QStringList{};
        QTest::newRow("CTE reads its table")
            << "CREATE TABLE t (x); CREATE TABLE u (y); CREATE VIEW v AS WITH t AS (SELECT y FROM u) SELECT * FROM t;"
            << QStringList{"u"} << QStringList{"v"} << QStringList{};
        QTest::newRow("a broken view is left out, the rest kept")
            << "CREATE TABLE a (x); CREATE VIEW rikki AS SELECT * FROM Puuttuva, a; CREATE VIEW ehja AS SELECT x FROM a;"
            << QStringList{"a"} << QStringList{"ehja"} << QStringList{};
        QTest::newRow("another table's trigger writes, on update of one column")
            << kLog + "CREATE TABLE Asiakas (id, nimi);"
                      "CREATE TRIGGER Kirjaa AFTER UPDATE OF nimi ON Asiakas BEGIN INSERT INTO LOKI VALUES (new.nimi); END;"
            << QStringList{"Loki"} << QStringList{} << QStringList{"Kirjaa on Asiakas uses Loki"};
        QTest::newRow("trigger uses a view that goes")
            << kLog + "CREATE TABLE a (x); CREATE TABLE b (y); CREATE VIEW va AS SELECT x FROM a;"
                      "CREATE TRIGGER Lukee AFTER INSERT ON b BEGIN INSERT INTO Loki SELECT x FROM va; END;"
            << QStringList{"a"} << QStringList{"va"} << QStringList{"Lukee on b uses view va"};
        // Kirjaa on a sets off Siivoa on b: each is its own trigger's use.
        QTest::newRow("nested: the inner trigger's use")
            << "CREATE TABLE a (x); CREATE TABLE b (y); CREATE TABLE c (z);"
               "CREATE TRIGGER Kirjaa AFTER INSERT ON a BEGIN INSERT INTO b VALUES (new.x); END;"
               "CREATE TRIGGER Siivoa AFTER INSERT ON b BEGIN DELETE FROM c; END;"
            << QStringList{"c"} << QStringList{} << QStringList{"Siivoa on b uses c"};
        QTest::newRow("a staying view's own trigger")
            << "CREATE TABLE a (x); CREATE TABLE c (z); CREATE VIEW vc AS SELECT z FROM c;"
               "CREATE TRIGGER Ohjaa INSTEAD OF INSERT ON vc BEGIN INSERT INTO a VALUES (new.z); END;"
            << QStringList{"a"} << QStringList{} << QStringList{"Ohjaa on view vc uses a"};
        QTest::newRow("another table's trigger keeps a full-text index")
            << "CREATE TABLE Asiakas (nimi); CREATE VIRTUAL TABLE Haku USING fts5(teksti);"
               "CREATE TRIGGER Indeksoi AFTER INSERT ON Asiakas BEGIN INSERT INTO Haku VALUES (new.nimi); END;"
            << QStringList{"Haku"} << QStringList{} << QStringList{"Indeksoi on Asiakas uses Haku"};
        // A generated column cannot be set; the update of the others still codes the trigger.
        QTest::newRow("trigger of a table with a generated column")
            << kLog + "CREATE TABLE g (a, b AS (a * 2));"
                      "CREATE TRIGGER Muutos AFTER UPDATE OF a ON g BEGIN DELETE FROM Loki; END;"
            << QStringList{"Loki"} << QStringList{} << QStringList{"Muutos on g uses Loki"};
    }

    void whatGoesAndWhatBlocks()
    {
        QFETCH(QString, schema);
        QFETCH(QStringList, tables);
        QFETCH(QStringList, views);
        QFETCH(QStringList, blockers);
        const QString file = dir_.filePath(QStringLiteral("kanta%1.wk1").arg(++files_));
        testdb::create(file, schema);

        Database database = DatabaseEngine::instance().open(file);
        const Dependencies picture(database);
        const QStringList going = picture.viewsReading(tables);
        QCOMPARE(going, views);
        QCOMPARE(described(picture.triggersUsing(tables + going)), blockers);
    }

};

QTEST_MAIN(TestDependencies)
#include "tst_dependencies.moc"
