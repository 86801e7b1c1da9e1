#include "OtherProgram.h"
#include "TestDatabase.h"

#include "copies/CopyComparison.h"
#include "copies/ReadOnlyCopy.h"
#include "db/Connection.h"
#include "db/DatabaseEngine.h"
#include "db/NameBytes.h"
#include "db/Statement.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

enum class Step { Read, BeginImmediate };

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    void oddNameBytesReadAsTheMainListReadsThem_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("Finnish letters") << QByteArray("Henkil\xc3\xb6st\xc3\xb6");
        QTest::newRow("a byte that is no UTF-8") << QByteArray("Tulo\xff" "rekisteri");
        QTest::newRow("a sequence cut short") << QByteArray("Loki\xc3");
        QTest::newRow("an encoded surrogate") << QByteArray("x\xed\xa0\x80y");
    }

    // The restore program compares a copy's names with the database's: each
    // must come back the same, and as the bytes it is in the file.
    void oddNameBytesReadAsTheMainListReadsThem()
    {
        QFETCH(QByteArray, name);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, "CREATE TABLE Asiakkaat (x);");
        {
            const OtherProgram other(file);
            QCOMPARE(other.exec("CREATE TABLE \"" + name + "\" (x);"), SQLITE_OK);
        }
        const QStringList listed = DatabaseEngine::instance().open(file).tableNames();
        QCOMPARE(listed.size(), 2);
        QCOMPARE(nameBytes::encode(listed[1]), name);

        const Connection connection(file, Connection::OpenAs::ReadOnly, "ei luettu");
        Statement query(connection, "SELECT name FROM sqlite_master WHERE type = 'table'", "ei luettu");
        QStringList read;
        while (query.next())
            read.append(query.name(0));
        QCOMPARE(read, listed);
        QCOMPARE(ReadOnlyCopy(file).tableNames(), listed);
        QCOMPARE(databaseTableNames(file), listed);
    }

    void aLockIsTheCauseOfTheFailure_data()
    {
        QTest::addColumn<QByteArray>("held");
        QTest::addColumn<Step>("step");
        QTest::newRow("reading under another's exclusive lock") << QByteArray("BEGIN EXCLUSIVE") << Step::Read;
        QTest::newRow("writing under another's write lock") << QByteArray("BEGIN IMMEDIATE") << Step::BeginImmediate;
    }

    void aLockIsTheCauseOfTheFailure()
    {
        QFETCH(QByteArray, held);
        QFETCH(Step, step);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, "CREATE TABLE Asiakkaat (x);");
        const OtherProgram other(file);
        QCOMPARE(other.exec(held.constData()), SQLITE_OK);
        Connection connection(file, Connection::OpenAs::ReadWrite, "ei avattu");
        connection.waitAtMost(50);
        try {
            if (step == Step::Read)
                Statement(connection, "SELECT count(*) FROM Asiakkaat", "ei luettu").firstNumber();
            else
                Transaction(connection, Transaction::Kind::Immediate, "ei varattu");
            QFAIL("the step went on while another program held the file");
        } catch (const Failure& failure) {
            QCOMPARE(failure.cause(), Failure::Cause::Locked);
            QCOMPARE(failure.file(), file);
            QVERIFY2(!failure.message().contains("Alkuperäinen ilmoitus"), qPrintable(failure.message()));
        }
    }

    void aTransactionNotCommittedChangesNothing_data()
    {
        QTest::addColumn<Transaction::Kind>("kind");
        QTest::addColumn<bool>("committed");
        QTest::addColumn<qint64>("rows");
        QTest::newRow("deferred, committed") << Transaction::Kind::Deferred << true << qint64(2);
        QTest::newRow("deferred, left") << Transaction::Kind::Deferred << false << qint64(1);
        QTest::newRow("immediate, committed") << Transaction::Kind::Immediate << true << qint64(2);
        QTest::newRow("immediate, left") << Transaction::Kind::Immediate << false << qint64(1);
    }

    void aTransactionNotCommittedChangesNothing()
    {
        QFETCH(Transaction::Kind, kind);
        QFETCH(bool, committed);
        QFETCH(qint64, rows);
        const QTemporaryDir dir;
        const QString file = dir.filePath("yritys.wk1");
        testdb::create(file, "CREATE TABLE Asiakkaat (x); INSERT INTO Asiakkaat VALUES (1);");
        const Connection connection(file, Connection::OpenAs::ReadWrite, "ei avattu");
        {
            Transaction change(connection, kind, "ei aloitettu");
            connection.run("INSERT INTO Asiakkaat VALUES (2)", "ei lisätty");
            if (committed)
                change.commit("ei tallennettu");
        }
        // Read by another connection: what this one left is what the file holds.
        QCOMPARE(testdb::rowCount(file, "Asiakkaat"), rows);
        QCOMPARE(Statement(connection, "SELECT count(*) FROM Asiakkaat", "ei luettu").firstNumber(), rows);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
