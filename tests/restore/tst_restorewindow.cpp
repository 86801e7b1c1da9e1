#include "QueuedClick.h"
#include "SafetyCopyOfFile.h"
#include "ScriptedDialogs.h"
#include "TestDatabase.h"
#include "copies/DiskRoom.h"
#include "dialogs/FinnishFileColumns.h"
#include "restore/RestoreWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <optional>

#include <unistd.h>

// The restore program's window over real files, with the operator scripted.
class TestRestoreWindow : public QObject {
    Q_OBJECT

    static void click(RestoreWindow& window, const char* name)
    {
        auto* button = window.findChild<QPushButton*>(name);
        QVERIFY(button);
        button->click();
        // The list is read away from the window; a test reads it once it is done.
        QTRY_VERIFY(!window.listing());
    }

    static void selectRow(RestoreWindow& window, int row)
    {
        auto* list = window.findChild<QTreeWidget*>("lstKopiot");
        QVERIFY(list);
        list->clearSelection();
        list->topLevelItem(row)->setSelected(true);
    }

    // The database chosen, its newest copy selected, and Yes the answer to come.
    static void chooseNewestCopy(RestoreWindow& window, ScriptedDialogs& dialogs, const QString& db)
    {
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        selectRow(window, 0);
        dialogs.confirmAnswers = {true};
    }

private slots:
    void aFailedRestoreIsOneBoxAndTheDatabaseStays()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat"}));
        const QString copy = testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        {
            QFile broken(copy);
            QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
            broken.write(QByteArray(4096, 'x'));
        }
        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        chooseNewestCopy(window, dialogs, db);
        // The row says why the copy cannot be restored.
        const QString tables = window.findChild<QTreeWidget*>("lstKopiot")->topLevelItem(0)->text(2);
        QVERIFY2(tables.contains("ei ole tietokannan otsaketta"), qPrintable(tables));
        const int boxesBefore = dialogs.shown.size();
        click(window, "cmdPalauta");
        QCOMPARE(dialogs.shown.size(), boxesBefore + 2);   // the question, then the one failure box
        QVERIFY2(dialogs.shown.last().text.contains("tietokanta on ennallaan"), qPrintable(dialogs.shown.last().text));
        QVERIFY2(!dialogs.shown.last().text.contains("file is not a database"), qPrintable(dialogs.shown.last().text));
        QCOMPARE(testdb::tableNames(db), QStringList{"Asiakkaat"});
        QCOMPARE(testdb::safetyCopies(dir.path()).size(), 1);
    }

    // Each copy against the database as it is now: the tables it would bring
    // back and the tables that would go, counted, and named in a tooltip.
    void copiesTellWhatTheyWouldBringBackAndTakeAway()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        QStringList registers;
        for (int series = 1; series <= 7; ++series)
            registers.append(QString("Tulorekisteri_%1_Palkat").arg(series, 5, 10, QChar('0')));
        testdb::create(db, testdb::tablesSql(QStringList{"Asiakkaat"} + registers));
        testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        testdb::run(db, "DROP TABLE Tulorekisteri_00001_Palkat; DROP TABLE Tulorekisteri_00002_Palkat;"
                        "DROP TABLE Tulorekisteri_00003_Palkat; DROP TABLE Tulorekisteri_00004_Palkat;"
                        "DROP TABLE Tulorekisteri_00005_Palkat; DROP TABLE Tulorekisteri_00006_Palkat;"
                        "DROP TABLE Tulorekisteri_00007_Palkat; CREATE TABLE Laskut(x);");
        testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(10, 0)));
        testdb::run(db, "DROP TABLE Laskut; CREATE TABLE Tilaukset(x); CREATE TABLE Varasto(x);");

        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        auto* list = window.findChild<QTreeWidget*>("lstKopiot");
        QCOMPARE(list->headerItem()->text(3), QString("Palauttaa"));
        QCOMPARE(list->headerItem()->text(4), QString("Poistaa"));
        const auto cells = [list](int row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            return QStringList{item->text(3), item->toolTip(3), item->text(4), item->toolTip(4)};
        };
        QCOMPARE(cells(0), (QStringList{"1", "Palauttaa 1 taulukon: Laskut.", "2",
                                        "Poistaa 2 taulukkoa: Tilaukset, Varasto."}));
        QCOMPARE(cells(1), (QStringList{"7",
                                        "Palauttaa 7 taulukkoa: Tulorekisteri_00001_Palkat, Tulorekisteri_00002_Palkat, "
                                        "Tulorekisteri_00003_Palkat, Tulorekisteri_00004_Palkat, "
                                        "Tulorekisteri_00005_Palkat ... ja 2 muuta.",
                                        "2", "Poistaa 2 taulukkoa: Tilaukset, Varasto."}));

        // The database changes: choosing it again compares anew.
        testdb::run(db, "CREATE TABLE Laskut(x);");
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        QCOMPARE(cells(0).mid(0, 2), (QStringList{"0", "Ei palauta taulukoita, joita tietokannasta puuttuu."}));
    }

    void aCopyThatCannotBeReadShowsItsProblemAndNoComparison_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("problem");
        QTest::newRow("truncated after its header") << "truncated" << "katkennut";
        QTest::newRow("damaged catalogue") << "catalogue" << "vioittunut";
        QTest::newRow("hard link to the database") << "link" << "linkki";
    }

    // The list shows before any copy is read; a copy that then cannot be read
    // gets its problem and never a count or a comparison, while a sound one
    // beside it gets both from its one read.
    void aCopyThatCannotBeReadShowsItsProblemAndNoComparison()
    {
        QFETCH(QString, kind);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat", "Laskut"}));
        testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(10, 0)));
        testdb::run(db, "CREATE TABLE Tilaukset(x)");
        const QString bad = dir.filePath("yritys_wk1_20261201090000.var");
        QByteArray bytes = testdb::fileBytes(db);
        if (kind == "link") {
            QVERIFY(::link(QFile::encodeName(db), QFile::encodeName(bad)) == 0);
        } else {
            if (kind == "catalogue")   // the first page's tree header no tree has
                bytes.replace(100, 12, QByteArray(12, '\xff'));
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kind == "truncated" ? bytes.left(512) : bytes);
        }

        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        auto* list = window.findChild<QTreeWidget*>("lstKopiot");
        QCOMPARE(list->topLevelItemCount(), 2);
        const auto cells = [list](int row) {
            const QTreeWidgetItem* item = list->topLevelItem(row);
            return QStringList{item->text(2), item->text(3), item->text(4)};
        };
        QCOMPARE(cells(0), (QStringList{"2", "0", "1"}));
        QCOMPARE(window.copies().at(0).tableCount, std::optional<int>(2));
        QVERIFY2(cells(1).at(0).startsWith("ei käytettävissä: ") && cells(1).at(0).contains(problem),
                 qPrintable(cells(1).at(0)));
        QCOMPARE(cells(1).mid(1), (QStringList{"ei luettavissa", "ei luettavissa"}));
        QVERIFY2(list->topLevelItem(1)->toolTip(3).contains(problem), qPrintable(list->topLevelItem(1)->toolTip(3)));
        QCOMPARE(window.copies().at(1).tableCount, std::nullopt);
    }

    // The copies are still read and counted when the database itself cannot be.
    void anUnreadableDatabaseLeavesTheCopiesCountedButNotCompared()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat", "Laskut"}));
        testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(10, 0)));
        {
            QFile garbage(db);
            QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate) && garbage.write(QByteArray(4096, 'x')) > 0);
        }

        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        const QTreeWidgetItem* item = window.findChild<QTreeWidget*>("lstKopiot")->topLevelItem(0);
        QCOMPARE((QStringList{item->text(2), item->text(3), item->text(4)}),
                 (QStringList{"2", "ei luettavissa", "ei luettavissa"}));
        QVERIFY2(item->toolTip(4).startsWith("Tietokannan taulukoita ei voitu lukea"), qPrintable(item->toolTip(4)));
    }

    // Each copy's size and the room line read as the file dialog writes sizes.
    void sizesReadAsTheFileDialogWritesThem()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat"}));
        QList<qint64> sizes;
        for (int hour = 9; hour <= 11; ++hour) {
            sizes.append(QFileInfo(testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(hour, 0)))).size());
            testdb::run(db, QString("CREATE TABLE T%1(x); INSERT INTO T%1 VALUES (zeroblob(%2))").arg(hour).arg(hour * 5000));
        }
        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        // Each copy's size reads as the file dialog writes it.
        QFileSystemModel files;
        files.setRootPath(dir.path());
        FinnishFileColumns fileDialogColumns;
        fileDialogColumns.setSourceModel(&files);
        const auto* list = window.findChild<QTreeWidget*>("lstKopiot");
        QCOMPARE(list->topLevelItemCount(), 3);
        for (int row = 0; row < 3; ++row) {
            const QModelIndex file = files.index(dir.filePath(list->topLevelItem(row)->text(5)), 1);
            QTRY_VERIFY(!fileDialogColumns.mapFromSource(file).data().toString().isEmpty());
            QCOMPARE(list->topLevelItem(row)->text(1), fileDialogColumns.mapFromSource(file).data().toString());
        }
        const QString room = window.findChild<QLabel*>("lblTilaa")->text();
        QVERIFY2(room.startsWith("Varmuuskopiot vievät " + diskRoom::size(sizes[0] + sizes[1] + sizes[2])
                                 + "; levyllä vapaana "),
                 qPrintable(room));
    }

    void theListShowsTheFolderAfterEveryChange_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("row");          // the row chosen first, -1 for none
        QTest::addColumn<bool>("oneStays");    // the middle copy cannot be removed
        QTest::newRow("restore") << "cmdPalauta" << 1 << false;
        QTest::newRow("remove chosen") << "cmdPoista" << 1 << false;
        QTest::newRow("remove all but newest") << "cmdPoistaVanhat" << -1 << false;
        QTest::newRow("remove all but newest, one stays") << "cmdPoistaVanhat" << -1 << true;
    }

    // After each change the list holds what the folder holds, newest first,
    // once each, the lines under it agreeing; and it is painted so, without
    // a click: its picture is that of a window that has just read the folder.
    void theListShowsTheFolderAfterEveryChange()
    {
        QFETCH(QString, button);
        QFETCH(int, row);
        QFETCH(bool, oneStays);
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat"}));
        QStringList made;
        QList<qint64> sizes;
        for (int hour = 9; hour <= 11; ++hour) {
            made.append(testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(hour, 0))));
            sizes.append(QFileInfo(made.last()).size());
            testdb::run(db, QString("CREATE TABLE T%1(x); INSERT INTO T%1 VALUES (zeroblob(%2))").arg(hour).arg(hour * 3000));
        }
        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        dialogs.fileAnswers = {db};
        click(window, "cmdSelaa");
        QCOMPARE(window.copies().size(), 3);
        auto* list = window.findChild<QTreeWidget*>("lstKopiot");
        if (row >= 0)
            selectRow(window, row);
        if (oneStays) {
            // Where the middle copy was listed, a folder of the same name now
            // stands; the oldest, listed after it, goes all the same.
            QVERIFY(QFile::remove(made.at(1)));
            QVERIFY(QDir().mkpath(made.at(1) + "/sisalla"));
        }
        dialogs.confirmAnswers = {true};
        dialogs.shown.clear();
        click(window, qPrintable(button));

        QStringList inFolder = testdb::safetyCopies(dir.path());
        if (oneStays) {
            QCOMPARE(inFolder, QStringList{QFileInfo(made.last()).fileName()});
            QCOMPARE(dialogs.informed(),
                     QStringList{"Poistettu 1 / 2 varmuuskopiota; levyltä vapautui "
                                 + diskRoom::size(sizes.at(0)) + ".\n\nNäitä varmuuskopioita ei "
                                 "voitu poistaa:\n" + made.at(1) + " (nimellä on kansio, ei tiedosto)"});
            QVERIFY(QDir(made.at(1)).removeRecursively());
        }
        std::reverse(inFolder.begin(), inFolder.end());
        QStringList rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.append(list->topLevelItem(i)->text(list->columnCount() - 1));
        QCOMPARE(rows, inFolder);
        QCOMPARE(window.findChild<QLabel*>("lblTila")->text(),
                 QString("Varmuuskopioita %1, uusin ensin.").arg(inFolder.size()));
        qint64 bytes = 0;
        for (const QString& name : std::as_const(inFolder))
            bytes += QFileInfo(dir.filePath(name)).size();
        QVERIFY2(window.findChild<QLabel*>("lblTilaa")->text().startsWith("Varmuuskopiot vievät "
                                                                          + diskRoom::size(bytes) + ";"),
                 qPrintable(window.findChild<QLabel*>("lblTilaa")->text()));

        ScriptedDialogs freshDialogs;
        RestoreWindow fresh(freshDialogs);
        fresh.resize(window.size());
        fresh.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh));
        freshDialogs.fileAnswers = {db};
        click(fresh, "cmdSelaa");
        list->clearSelection();
        list->setCurrentItem(nullptr);
        auto* freshList = fresh.findChild<QTreeWidget*>("lstKopiot");
        freshList->setCurrentItem(nullptr);
        QCOMPARE(list->size(), freshList->size());
        // What the screen shows of each list, as last painted, and the list drawn anew.
        const auto onScreen = [](QTreeWidget* shown) {
            QTest::qWait(50);
            const QRect area(shown->mapTo(shown->window(), QPoint(0, 0)), shown->size());
            return shown->screen()->grabWindow(shown->window()->winId()).toImage().copy(area).convertToFormat(QImage::Format_RGB32);
        };
        QCOMPARE(onScreen(list), onScreen(freshList));
        QCOMPARE(onScreen(list), list->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void aClickQueuedBehindAnAnswerRunsNothing_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("remove all but newest, then restore") << "cmdPoistaVanhat" << "cmdPalauta";
        QTest::newRow("restore, then remove chosen") << "cmdPalauta" << "cmdPoista";
        QTest::newRow("remove chosen, then compact") << "cmdPoista" << "cmdTiivista";
        QTest::newRow("compact, then remove all but newest") << "cmdTiivista" << "cmdPoistaVanhat";
    }

    // As in the main window: the operator answers Kyllä and at once clicks
    // another button, whose click reaches the window as the box closes. It
    // runs nothing; only the first operation's question was asked.
    void aClickQueuedBehindAnAnswerRunsNothing()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QTemporaryDir dir;
        const QString db = dir.filePath("yritys.wk1");
        testdb::create(db, testdb::tablesSql({"Asiakkaat"}) + "CREATE TABLE t(v); INSERT INTO t VALUES (zeroblob(90000));"
                                                            "DROP TABLE t;");
        testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        testdb::safetyCopy(db, QDateTime(QDate(2026, 12, 1), QTime(10, 0)));
        ScriptedDialogs dialogs;
        RestoreWindow window(dialogs);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        chooseNewestCopy(window, dialogs, db);
        dialogs.shown.clear();
        dialogs.whileConfirming = [&](const QString&) {
            if (dialogs.shown.size() > 1)
                return;
            queueClick(window.findChild<QPushButton*>(second));
            QCoreApplication::processEvents();
        };
        click(window, qPrintable(first));
        QCoreApplication::processEvents();

        QCOMPARE(dialogs.shownOf(ScriptedDialogs::Kind::Confirm).size(), 1);
        QCOMPARE(dialogs.informed().size(), 1);
        // The first one went through: a restore adds the copy of the state
        // before it, a removal takes one away, a compaction gives back room.
        QCOMPARE(testdb::safetyCopies(dir.path()).size(), first == "cmdPalauta" ? 3 : first == "cmdTiivista" ? 2 : 1);
        if (first == "cmdTiivista")
            QVERIFY2(dialogs.informed().first().startsWith("Tiivistetty!"), qPrintable(dialogs.informed().first()));
    }
};

QTEST_MAIN(TestRestoreWindow)
#include "tst_restorewindow.moc"
