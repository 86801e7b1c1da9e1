#include "TestDatabase.h"
#include "WindowDriver.h"
#include "db/Failure.h"
#include "copies/RoomForCopy.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sched.h>
#include <sys/mount.h>

namespace {

void writeBytes(const QString& path, qint64 size)
{
    QFile file(path);
    QTEST_ASSERT(file.open(QIODevice::WriteOnly));
    QTEST_ASSERT(file.write(QByteArray(size, 'x')) == size);
}

} // namespace

class TestRoomForCopy : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString small_;   // a 1 MB file system of its own, where one could be mounted

private slots:
    void initTestCase()
    {
        // A private mount namespace: the file system is seen by this test alone
        // and goes when it ends. Needs root; elsewhere those cases are skipped.
        small_ = dir_.filePath(QStringLiteral("pieni"));
        QDir().mkpath(small_);
        if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", QFile::encodeName(small_).constData(), "tmpfs", 0, "size=1m") != 0)
            small_.clear();
    }

    void cleanupTestCase()
    {
        if (!small_.isEmpty())
            umount(QFile::encodeName(small_).constData());
    }

    void sizesReadAsTheOperatorReadsThem_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("bytes") << qint64(512) << "512 t";
        QTest::newRow("kilobytes") << qint64(1536) << "1,5 kt";
        QTest::newRow("megabytes") << qint64(340) * 1024 * 1024 << "340,0 Mt";
        QTest::newRow("gigabytes") << qint64(1288490189) << "1,2 Gt";
        QTest::newRow("terabytes") << qint64(3) * 1024 * 1024 * 1024 * 1024 << "3,0 Tt";
    }

    void sizesReadAsTheOperatorReadsThem()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, shown);
        QCOMPARE(readableSize(bytes), shown);
    }

    void messageGivesBothSizes()
    {
        QCOMPARE(noRoomMessage(qint64(1288490189), qint64(322122547)),
                 QStringLiteral("Levyllä ei ole tilaa varmuuskopiolle: tarvitaan 1,2 Gt, vapaana 0,3 Gt."));
        QCOMPARE(noRoomMessage(700, 2048), QStringLiteral("Levyllä ei ole tilaa varmuuskopiolle: tarvitaan 0,7 kt, "
                                                          "vapaana 2,0 kt."));
    }

    void roomEnoughOnTheUsualDisk()
    {
        const QString file = dir_.filePath(QStringLiteral("yritys.wk1"));
        testdb::create(file, testdb::tablesSql({QStringLiteral("A")}));
        ensureRoomForCopy(file);
    }

    void tooLittleRoomIsRefusedWithNothingChanged()
    {
        if (small_.isEmpty())
            QSKIP("no small file system could be mounted here");
        const QString file = small_ + QStringLiteral("/yritys.wk1");
        writeBytes(file, 600 * 1024);   // a copy would need 600 kB of the 400 kB left
        const QByteArray before = testdb::fileBytes(file);
        try {
            ensureRoomForCopy(file);
            QFAIL("a copy that does not fit was allowed");
        } catch (const Failure& failure) {
            QVERIFY2(failure.whatFailed().startsWith(
                         QStringLiteral("Levyllä ei ole tilaa varmuuskopiolle: tarvitaan 600,0 kt, vapaana ")),
                     qPrintable(failure.message()));
            QVERIFY2(failure.whatFailed().endsWith(QStringLiteral(" kt.")),
                     qPrintable(failure.message()));
            QCOMPARE(failure.file(), file);
        }
        QCOMPARE(testdb::fileBytes(file), before);
        QCOMPARE(QDir(small_).entryList(QDir::Files | QDir::Hidden), QStringList{"yritys.wk1"});
    }

    // The write-ahead log beside the file counts: the copy takes it in.
    void theLogBesideTheFileCounts()
    {
        if (small_.isEmpty())
            QSKIP("no small file system could be mounted here");
        const QString file = small_ + QStringLiteral("/loki.wk1");
        writeBytes(file, 200 * 1024);
        ensureRoomForCopy(file);   // 200 kB of some 400 kB: fits
        writeBytes(file + QStringLiteral("-wal"), 200 * 1024);
        QVERIFY_THROWS_EXCEPTION(Failure, ensureRoomForCopy(file));
        QFile::remove(file + QStringLiteral("-wal"));
        QFile::remove(file);
    }

    void aMissingFolderIsAFailure()
    {
        QVERIFY_THROWS_EXCEPTION(Failure, ensureRoomForCopy(dir_.filePath(QStringLiteral("ei/ole/yritys.wk1"))));
    }

    // Every change that takes a copy asks first whether it fits; when it does
    // not, the operator reads why, and the file, its folder and the list stay
    // as they were.
    void anOperationWithoutRoomChangesNothing_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("delete") << "cmdPoista";
        QTest::newRow("rename") << "cmdNimea";
        QTest::newRow("numbered register tables") << "cmdPTN";
    }

    void anOperationWithoutRoomChangesNothing()
    {
        QFETCH(QString, button);
        if (small_.isEmpty())
            QSKIP("no small file system could be mounted here");
        // Some 600 kB of rows, made where its journal fits: the copy would not
        // fit beside the file.
        const QString made = dir_.filePath(QStringLiteral("taysi_%1.wk1").arg(button));
        const QString file = small_ + QStringLiteral("/taysi.wk1");
        testdb::create(made, QStringLiteral("CREATE TABLE Tulorekisteri_12345_a (v BLOB);"
                                            "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c "
                                            "WHERE i < 1400) INSERT INTO Tulorekisteri_12345_a SELECT "
                                            "randomblob(400) FROM c; CREATE TABLE Asiakkaat (x);"));
        for (const QString& earlier : QDir(small_).entryList(QDir::Files | QDir::Hidden))
            QVERIFY(QFile::remove(small_ + QLatin1Char('/') + earlier));
        QVERIFY(QFile::copy(made, file));
        const auto cleanup = qScopeGuard([&] { QFile::remove(file); });
        QVERIFY(QFileInfo(file).size() > 500 * 1024);
        const QByteArray before = testdb::fileBytes(file);
        const QStringList tables{"Tulorekisteri_12345_a", "Asiakkaat"};

        WindowDriver d;
        d.choose(file);
        d.select(QStringLiteral("Tulorekisteri_12345_a"));
        d.dialogs.shown.clear();
        d.dialogs.confirmAnswers = {true};
        d.dialogs.textAnswers = {QStringLiteral("Uusi")};
        d.click(button);

        const QStringList informed = d.dialogs.informed();
        QCOMPARE(informed.size(), 1);
        QVERIFY2(informed[0].startsWith(QStringLiteral("Varmuuskopion tekeminen epäonnistui, joten tietokantaan ei "
                                                       "koskettu.\nLevyllä ei ole tilaa varmuuskopiolle: tarvitaan ")),
                 qPrintable(informed[0]));
        QVERIFY2(informed[0].contains(QStringLiteral("Tiedosto: ") + file), qPrintable(informed[0]));
        QCOMPARE(testdb::fileBytes(file), before);
        QCOMPARE(QDir(small_).entryList(QDir::Files | QDir::Hidden), QStringList{"taysi.wk1"});
        QCOMPARE(d.listed(), tables);
    }
};

QTEST_MAIN(TestRoomForCopy)
#include "tst_roomforcopy.moc"
