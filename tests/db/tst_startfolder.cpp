#include "db/StartFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Where the file dialog opens, before and after a database is chosen.
class TestStartFolder : public QObject {
    Q_OBJECT

private slots:
    void startFolder_data()
    {
        QTest::addColumn<QString>("database");        // relative to the temporary folder
        QTest::addColumn<QStringList>("programFiles");  // in "ohjelma/"; a trailing "/" makes a folder
        QTest::addColumn<QString>("expected");        // "koti" is the home folder

        QTest::newRow("chosen database") << "tiedot/yritys.wk1" << QStringList{"esimerkki.wk1"} << "tiedot";
        QTest::newRow("chosen database whose folder is gone")
            << "poistettu/yritys.wk1" << QStringList{"esimerkki.wk1"} << "ohjelma";
        QTest::newRow("example beside the program") << "" << QStringList{"lumeri-taulut", "esimerkki.wk1"}
                                                    << "ohjelma";
        QTest::newRow("database in capitals") << "" << QStringList{"YRITYS.WK1"} << "ohjelma";
        QTest::newRow("installed program, no database") << "" << QStringList{"lumeri-taulut", "w", "ohje.txt"}
                                                        << "koti";
        QTest::newRow("a folder named like a database") << "" << QStringList{"vanhat.wk1/"} << "koti";
        QTest::newRow("empty program folder") << "" << QStringList{} << "koti";
    }

    void startFolder()
    {
        QFETCH(QString, database);
        QFETCH(QStringList, programFiles);
        QFETCH(QString, expected);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QDir root(dir.path());
        QVERIFY(root.mkpath("ohjelma") && root.mkpath("koti") && root.mkpath("tiedot"));
        for (const QString& name : programFiles) {
            if (name.endsWith('/')) {
                QVERIFY(root.mkpath("ohjelma/" + name));
                continue;
            }
            QFile file(root.filePath("ohjelma/" + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString chosen = database.isEmpty() ? QString() : root.filePath(database);

        QCOMPARE(::startFolder(chosen, root.filePath("ohjelma"), root.filePath("koti")), root.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(TestStartFolder)
#include "tst_startfolder.moc"
