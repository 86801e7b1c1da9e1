#include "AnswerBox.h"
#include "QueuedClick.h"
#include "TestDatabase.h"
#include "WindowDriver.h"
#include "app/ElidedLabel.h"
#include "app/WrappingButton.h"
#include "dialogs/QtDialogs.h"
#include "dialogs/Startup.h"
#include "operations/RegisterNames.h"
#include "operations/StartFolder.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

namespace {

// How often, over many widths, a word-wrapped `text` ends a line with a hyphen.
int breaksAfterHyphen(const QString& text, const QFont& font)
{
    int breaks = 0;
    for (int width = 40; width < 400; width += 2) {
        QTextLayout layout(text, font);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            const bool last = line.textStart() + line.textLength() >= text.size();
            breaks += !last && text.mid(line.textStart(), line.textLength()).trimmed().endsWith('-') ? 1 : 0;
        }
        layout.endLayout();
    }
    return breaks;
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString database(const QString& name, const QStringList& tables)
    {
        const QString file = dir_.filePath(name);
        testdb::create(file, testdb::tablesSql(tables));
        return file;
    }

    static QLabel* label(const WindowDriver& w) { return w.window.findChild<QLabel*>("Label1"); }

private slots:
    // The design's numbers, in twips (15 to a pixel), written here once.
    void layoutFollowsTheTwipsOfTheDesign()
    {
        struct Control {
            const char* name;
            QString caption;
            QRect twips;
        };
        const QList<Control> design{
            {"cmdSelaa", "Valitse tietokanta ...", {345, 105, 1830, 540}},
            {"List1", "", {345, 840, 6495, 6495}},
            {"cmdPoista", "Poista taulukko", {7050, 5760, 3870, 660}},
            {"Label1", "", {2400, 240, 4080, 300}},
            {"cmdNimea", "Nimeä taulukko uudelleen", {7050, 4980, 3870, 690}},
            {"cmdLopeta", "Lopeta", {7050, 6570, 3870, 660}},
            {"cmdPoistaTulorekisteriTaulut",
             "Poista kaikki Tulorekisteri_ -alkuiset taulut\r\n(poistaa myös tulorekisterin perustiedot)",
             {7050, 870, 3870, 840}},
            {"cmdP", "Poista valitun numerosarjan Tulorekisteri_ -taulut", {7050, 2850, 3870, 840}},
            {"cmdPTN", "Poista kaikki numeroidut Tulorekisteri_ taulut \r\n(säilytä perustiedot)",
             {7050, 1875, 3870, 840}},
            {"cmdTyhjenna", "Tyhjennä taulukko (poista rivit)", {7050, 4185, 3870, 540}},
        };
        const WindowDriver w;
        QCOMPARE(w.window.windowTitle(), QString("LUMERI YRITYSOHJELMIEN taulukoiden poistaminen tai "
                                                 "uudelleennimeäminen"));
        QCOMPARE(w.window.size(), QSize(12285, 7980) / 15);
        for (const Control& expected : design) {
            auto* control = w.window.findChild<QWidget*>(expected.name);
            QVERIFY2(control, expected.name);
            const QRect twips = expected.twips;
            QCOMPARE(control->geometry(),
                     QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
            QVERIFY(control->isEnabled());
            if (auto* button = qobject_cast<QPushButton*>(control)) {
                QCOMPARE(button->text(), expected.caption);
                QVERIFY(!button->isDefault());
                QVERIFY(!button->autoDefault());
            }
        }
    }

    void seriesCaptionNeverBreaksAfterItsHyphen()
    {
        const QString caption = registerNames::kInitialSeriesCaption.toString();
        QFont font = QApplication::font();
        font.setPointSizeF(8);
        QVERIFY(breaksAfterHyphen(caption, font) > 0);   // as Qt alone would draw it
        QCOMPARE(breaksAfterHyphen(WrappingButton::drawnCaption(caption), font), 0);
        QCOMPARE(WrappingButton::drawnCaption(caption).remove(QChar(0x2060)), caption);
    }

    void startsEmptyWithFocusOnTheChoiceAndTabsInOrder()
    {
        WindowDriver w;
        w.window.show();
        QApplication::setActiveWindow(&w.window);
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        QCOMPARE(w.list()->count(), 0);
        QCOMPARE(label(w)->text(), QString());
        QCOMPARE(w.window.databasePath(), QString());
        QCOMPARE(w.list()->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!w.list()->isSortingEnabled());

        QStringList order{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 9; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, (QStringList{"cmdSelaa", "List1", "cmdPoista", "cmdNimea", "cmdLopeta",
                                     "cmdPoistaTulorekisteriTaulut", "cmdP", "cmdPTN", "cmdTyhjenna", "cmdSelaa"}));
    }

    void choosingAFileShowsItsPathAndTablesInCatalogueOrder()
    {
        const QString file = database("yritys.wk1", {"Tuotteet", "Asiakkaat", "Tulorekisteri_00101_A",
                                                     "Henkilöstö ja palkat"});
        WindowDriver w;
        w.choose(file);

        QCOMPARE(w.dialogs.fileRequests.size(), 1);
        const Dialogs::OpenFileRequest request = w.dialogs.fileRequests.first();
        QCOMPARE(request.title, QString("Mistä tietokannasta poistetaan?"));
        QCOMPARE(request.filter, QString("Lumerin tietokannat (*.w*)"));
        QCOMPARE(request.folder, startFolder(QString()));

        QCOMPARE(w.window.databasePath(), file);
        QCOMPARE(label(w)->text(), file);
        QCOMPARE(w.listed(), (QStringList{"Tuotteet", "Asiakkaat", "Tulorekisteri_00101_A", "Henkilöstö ja palkat"}));
        QCOMPARE(w.window.selectedTableName(), QString());
        QCOMPARE(w.dialogs.busyCount, 1);
        QVERIFY(!w.dialogs.busy);
        QVERIFY(w.dialogs.informed().isEmpty());

        // Chosen again after another program changed it: the list is the file as it now stands.
        testdb::run(file, "DROP TABLE Asiakkaat; CREATE TABLE Uusi (x);");
        w.choose(file);
        QCOMPARE(w.listed(), (QStringList{"Tuotteet", "Tulorekisteri_00101_A", "Henkilöstö ja palkat", "Uusi"}));
        QCOMPARE(w.dialogs.fileRequests.last().folder, dir_.path());   // the current database's folder
    }

    void cancellingOrAFailingFileKeepsThePreviousDatabase()
    {
        const QString good = database("hyva.wk1", {"A", "B"});
        const QString text = dir_.filePath("teksti.wk1");
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ei tietokanta\n");
        f.close();

        WindowDriver w;
        w.choose(good);
        w.choose(QString());   // cancelled
        QCOMPARE(w.window.databasePath(), good);
        QCOMPARE(w.listed(), (QStringList{"A", "B"}));

        w.choose(text);
        QCOMPARE(w.window.databasePath(), good);
        QCOMPARE(label(w)->text(), good);
        QCOMPARE(w.listed(), (QStringList{"A", "B"}));
        QVERIFY(!w.dialogs.busy);
        const QStringList shown = w.dialogs.informed();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(text) && shown.first().contains("ei ole tietokanta"), qPrintable(shown.first()));

        // The program goes on: the good file can still be used.
        w.select("B");
        QCOMPARE(w.window.selectedTableName(), QString("B"));
    }

    void aDatabaseWithoutTablesListsNothing()
    {
        const QString file = dir_.filePath("tyhja.wk1");
        testdb::create(file, "PRAGMA user_version = 1;");
        WindowDriver w;
        w.choose(database("edellinen.wk1", {"A"}));
        w.choose(file);
        QCOMPARE(w.window.databasePath(), file);
        QCOMPARE(w.listed(), QStringList{});
    }

    void quitAndTheCloseBoxEndTheProgram()
    {
        for (const bool viaButton : {true, false}) {
            WindowDriver w;
            w.window.show();
            QTimer::singleShot(0, &w.window, [&w, viaButton] {
                if (viaButton)
                    w.click("cmdLopeta");
                else
                    w.window.close();
            });
            QTimer notEnded;   // fails the test instead of hanging it
            notEnded.setSingleShot(true);
            connect(&notEnded, &QTimer::timeout, [] { QCoreApplication::exit(1); });
            notEnded.start(5000);
            QCOMPARE(QCoreApplication::exec(), 0);
        }
    }

    void aLongPathIsShortenedInTheMiddleWithTheWholePathAsTooltip()
    {
        const QString folder = dir_.filePath(QString("Yrityksen tietokannat/") + QString(60, 'k') + "/vuosi 2026");
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + "/yritys.wk1";
        testdb::create(file, testdb::tablesSql({"A"}));
        WindowDriver w;
        w.choose(file);
        auto* shown = qobject_cast<ElidedLabel*>(label(w));
        QVERIFY(shown);
        QCOMPARE(shown->text(), file);
        QCOMPARE(shown->toolTip(), file);
        const QString painted = shown->shownText();
        QVERIFY2(painted.size() < file.size() && painted.contains(QChar(0x2026)), qPrintable(painted));
        QVERIFY2(painted.endsWith("yritys.wk1") || painted.endsWith("wk1"), qPrintable(painted));
        QVERIFY(painted.startsWith(file.left(3)));
        QVERIFY(shown->fontMetrics().horizontalAdvance(painted) <= shown->contentsRect().width());
    }

    void screenReadersGetNamesWithoutRawLineBreaks()
    {
        WindowDriver w;
        w.window.show();
        const auto name = [](QObject* object) {
            QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(object);
            return a11y ? a11y->text(QAccessible::Name) : QString();
        };
        QCOMPARE(name(w.list()), QString("Tietokannan taulukot"));
        QCOMPARE(name(w.button("cmdPoistaTulorekisteriTaulut")),
                 QString("Poista kaikki Tulorekisteri_ -alkuiset taulut (poistaa myös tulorekisterin perustiedot)"));
        QCOMPARE(name(w.button("cmdPTN")),
                 QString("Poista kaikki numeroidut Tulorekisteri_ taulut (säilytä perustiedot)"));
        QCOMPARE(name(w.button("cmdLopeta")), QString("Lopeta"));
        // The series button's name follows its caption.
        const QString file = database("sarja.wk1", {"Tulorekisteri_00101_A"});
        w.choose(file);
        w.select("Tulorekisteri_00101_A");
        QCOMPARE(name(w.button("cmdP")), w.caption("cmdP"));
        QCOMPARE(w.caption("cmdP"), QString("Tulorekisteri_00101"));

        // The rename prompt's field.
        QtDialogs dialogs;
        QString fieldName;
        QTimer::singleShot(0, [&] {
            QWidget* prompt = QApplication::activeModalWidget();
            QVERIFY(prompt);
            auto* field = prompt->findChild<QLineEdit*>("uusiNimi");
            QVERIFY(field);
            fieldName = name(field);
            QTest::keyClicks(field, "Uusi");
            QTest::keyClick(field, Qt::Key_Return);
        });
        QCOMPARE(dialogs.askText("Syötä taulukon uusi nimi"), QString("Uusi"));
        QCOMPARE(fieldName, QString("Taulukon uusi nimi"));
    }

    void realBoxesAreFinnishPlainAndWithoutIcons()
    {
        QVERIFY(installFinnishTranslation(*QCoreApplication::instance()));
        QtDialogs dialogs;
        QString seenTitle, seenText, seenDefault;
        QMessageBox::Icon seenIcon = QMessageBox::Information;
        QStringList seenButtons;
        answerNextBox([&](QDialog* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box);
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            seenDefault = box->defaultButton()->text();
            for (QAbstractButton* b : box->buttons())
                seenButtons << b->text().remove('&');
            box->button(QMessageBox::Yes)->click();
        });
        QVERIFY(dialogs.confirm("Poistetaanko <b>tämä</b>?", QString(), Dialogs::DefaultAnswer::No));
        QCOMPARE(seenTitle, QtDialogs::kApplicationTitle);
        QCOMPARE(seenText, QString("Poistetaanko <b>tämä</b>?"));
        QCOMPARE(seenIcon, QMessageBox::NoIcon);
        QCOMPARE(seenDefault.remove('&'), QString("Ei"));
        seenButtons.sort();
        QCOMPARE(seenButtons, (QStringList{"Ei", "Kyllä"}));
    }
    // "Poistettu!" stays the box's text; where the copy went is the line under it,
    // selectable so that the operator can copy the path.
    void closingBoxTellsWhereTheCopyWentUnderItsText()
    {
        QtDialogs dialogs;
        QString seenText, seenDetail;
        bool selectable = false;
        answerNextBox([&](QDialog* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box);
            seenText = box->text();
            seenDetail = box->informativeText();
            const auto* line = box->findChild<QLabel*>("qt_msgbox_informativelabel");
            QVERIFY(line && line->isVisible());
            selectable = line->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.informWithDetail("Poistettu!", "Varmuuskopio: /data/yritys_wk1_20261208101112.var");
        QCOMPARE(seenText, QString("Poistettu!"));
        QCOMPARE(seenDetail, QString("Varmuuskopio: /data/yritys_wk1_20261208101112.var"));
        QVERIFY(selectable);
    }

    // A table name too long for the box wraps inside the name, with the
    // box's text unchanged; a short text keeps the box's own label.
    void aLongTableNameWrapsInTheConfirmation()
    {
        QtDialogs dialogs;
        const QString name = QString("Tulorekisteri_") + QString("X").repeated(300);
        const QString text = QString("Poistetaanko taulukko %1?").arg(name);
        QString seenText, wrapped;
        int viewWidth = 0, boxWidth = 0, lineHeight = 0, viewHeight = 0, nameWidth = 0;
        bool shortKeepsLabel = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenText = box->text();
            auto* view = box->findChild<QTextEdit*>("pitkaTeksti");
            QVERIFY(view && view->isVisible());
            wrapped = view->toPlainText();
            viewWidth = view->width();
            viewHeight = view->height();
            lineHeight = view->fontMetrics().height();
            nameWidth = view->fontMetrics().horizontalAdvance(name);
            boxWidth = box->width();
            box->button(QMessageBox::No)->click();
        });
        QVERIFY(!dialogs.confirm(text, QString(), Dialogs::DefaultAnswer::No));
        QCOMPARE(seenText, text);
        QCOMPARE(wrapped, text);
        QVERIFY2(viewWidth <= boxWidth && boxWidth < nameWidth, qPrintable(QString("%1 %2 %3").arg(viewWidth).arg(boxWidth).arg(nameWidth)));
        // Laid out in the view's own width: as many lines as the text needs there, and no more.
        const int neededLines = nameWidth / std::max(viewWidth, 1) + 1;
        QVERIFY2(viewHeight >= neededLines * lineHeight && viewHeight <= (neededLines + 3) * lineHeight,
                 qPrintable(QString("%1 %2 %3").arg(viewHeight).arg(neededLines).arg(lineHeight)));

        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shortKeepsLabel = !box->findChild<QTextEdit*>("pitkaTeksti")
                              && box->findChild<QLabel*>("qt_msgbox_label")->isVisible();
            box->button(QMessageBox::Yes)->click();
        });
        QVERIFY(dialogs.confirm("Poistetaanko taulukko Asiakkaat?", QString(), Dialogs::DefaultAnswer::No));
        QVERIFY(shortKeepsLabel);
    }

    void aClickQueuedBehindAnAnswerRunsNothing_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QStringList>("tablesAfter");
        QTest::newRow("register cleanup, then delete")
            << "cmdPoistaTulorekisteriTaulut" << "cmdPoista" << QStringList{"Asiakkaat", "Laskut"};
        QTest::newRow("delete, then rename") << "cmdPoista" << "cmdNimea"
                                              << QStringList{"Laskut", "Tulorekisteri_1"};
        QTest::newRow("empty, then choose") << "cmdTyhjenna" << "cmdSelaa"
                                             << QStringList{"Asiakkaat", "Laskut", "Tulorekisteri_1"};
    }

    // The operator answers Kyllä and at once clicks another button; that
    // click reaches the window as the box closes, while the first handler
    // still runs. It runs nothing: no second question, no second change.
    void aClickQueuedBehindAnAnswerRunsNothing()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QStringList, tablesAfter);
        const QString file = database(QStringLiteral("jono_%1.wk1").arg(QTest::currentDataTag()).replace(' ', '_'),
                                      {"Asiakkaat", "Laskut", "Tulorekisteri_1"});
        WindowDriver w;
        w.show();
        w.choose(file);
        w.select(QStringLiteral("Asiakkaat"));
        w.dialogs.shown.clear();
        w.dialogs.confirmAnswers = {true};
        w.dialogs.whileConfirming = [&](const QString&) {
            if (w.dialogs.shown.size() > 1)
                return;
            queueClick(w.button(second));
            QCoreApplication::processEvents();
        };
        w.click(first);
        QCoreApplication::processEvents();

        QCOMPARE(w.dialogs.shownOf(ScriptedDialogs::Kind::Confirm).size(), 1);
        QVERIFY(w.dialogs.shownOf(ScriptedDialogs::Kind::AskText).isEmpty());
        QVERIFY(w.dialogs.shownOf(ScriptedDialogs::Kind::ChooseFile).isEmpty());
        QCOMPARE(testdb::tableNames(file), tablesAfter);
        QCOMPARE(w.listed(), tablesAfter);
        // Once the handler has ended, the window answers clicks again.
        w.dialogs.shown.clear();
        w.click(QStringLiteral("cmdSelaa"));
        QCOMPARE(w.dialogs.shownOf(ScriptedDialogs::Kind::ChooseFile).size(), 1);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
