#include "operations/StartFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Where the file dialog opens: folders are "tiedot", "ohjelma" (the program's) and "koti" (home).
class TestStartFolder : public QObject {
    Q_OBJECT

private slots:
    void startFolder_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("inProgramFolder");   // a name ending in "/" is a folder
        QTest::addColumn<QString>("expected");
        QTest::newRow("chosen database") << "tiedot/yritys.wk1" << "esimerkki.wk1" << "tiedot";
        QTest::newRow("chosen, its folder gone") << "poistettu/yritys.wk1" << "esimerkki.wk1" << "ohjelma";
        QTest::newRow("example beside the program") << "" << "esimerkki.wk1" << "ohjelma";
        QTest::newRow("database in capitals") << "" << "YRITYS.WK1" << "ohjelma";
        QTest::newRow("installed program") << "" << "lumeri-taulut" << "koti";
        QTest::newRow("a folder named like a database") << "" << "vanhat.wk1/" << "koti";
    }

    void startFolder()
    {
        QFETCH(QString, database);
        QFETCH(QString, inProgramFolder);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QDir root(dir.path());
        QVERIFY(root.mkpath("ohjelma") && root.mkpath("koti") && root.mkpath("tiedot"));
        QFile file(root.filePath("ohjelma/" + inProgramFolder));
        QVERIFY(inProgramFolder.endsWith('/') ? root.mkpath(file.fileName()) : file.open(QIODevice::WriteOnly));
        const QString chosen = database.isEmpty() ? QString() : root.filePath(database);
        QCOMPARE(::startFolder(chosen, root.filePath("ohjelma"), root.filePath("koti")), root.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(TestStartFolder)
#include "tst_startfolder.moc"
