#include "SchemaHealth.h"
#include "TestDatabase.h"

#include <QTemporaryDir>
#include <QTest>

// The check that the operations' tests trust must itself see each kind of trouble.
class TstSchemaHealth : public QObject {
    Q_OBJECT

private slots:
    void findsWhatABusinessProgramWouldTripOver_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("expected");   // the beginnings of the lines found, in order
        QTest::newRow("healthy") << "CREATE TABLE a (id INTEGER PRIMARY KEY); CREATE TABLE b (x REFERENCES a(id));"
                                    "CREATE VIEW v AS SELECT * FROM a JOIN b ON b.x = a.id;"
                                    "CREATE TRIGGER t AFTER INSERT ON a BEGIN INSERT INTO b VALUES (new.id); END;"
                                    "INSERT INTO a VALUES (1);"
                                 << QStringList{};
        QTest::newRow("row pointing at nothing")
            << "CREATE TABLE a (id INTEGER PRIMARY KEY); CREATE TABLE b (x REFERENCES a(id)); INSERT INTO b VALUES (7);"
            << QStringList{"foreign_key_check: b -> a"};
        QTest::newRow("view of a dropped table")
            << "CREATE TABLE a (id); CREATE VIEW v AS SELECT id FROM a; DROP TABLE a;"
            << QStringList{"view v: SELECT", "ALTER TABLE of an unrelated table refused: error in view v"};
        QTest::newRow("trigger writing a dropped table")
            << "CREATE TABLE a (id); CREATE TABLE log (id);"
               "CREATE TRIGGER t AFTER INSERT ON a BEGIN INSERT INTO log VALUES (new.id); END; DROP TABLE log;"
            << QStringList{"ALTER TABLE of an unrelated table refused: error in trigger t"};
    }

    void findsWhatABusinessProgramWouldTripOver()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, expected);
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(path, sql);
        const QByteArray before = testdb::fileBytes(path);
        const QStringList found = schemaProblems(path);
        QCOMPARE(found.size(), expected.size());
        for (qsizetype i = 0; i < found.size(); ++i)
            QVERIFY2(found.at(i).startsWith(expected.at(i)), qPrintable(found.at(i)));
        QCOMPARE(testdb::fileBytes(path), before);   // the file itself is only read
    }
};

QTEST_GUILESS_MAIN(TstSchemaHealth)
#include "tst_schemahealth.moc"
