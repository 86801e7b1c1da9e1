#include "AnswerBox.h"
#include "app/QtDialogs.h"
#include "app/Startup.h"
#include "app/WrappingButton.h"
#include "register/RegisterNames.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextLayout>

namespace {

// The lines a wrapping caption is drawn in at `width`.
QStringList linesAt(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    layout.setTextOption(QTextOption(Qt::AlignCenter));   // word wrap, as the button draws it
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(width);
    layout.endLayout();
    QStringList lines;
    for (int i = 0; i < layout.lineCount(); ++i)
        lines << text.mid(layout.lineAt(i).textStart(), layout.lineAt(i).textLength()).trimmed();
    return lines;
}

int breaksAfterHyphen(const QString& text, const QFont& font)
{
    int breaks = 0;
    for (int width = 40; width < 400; width += 2) {
        const QStringList lines = linesAt(text, font, width);
        for (int i = 0; i + 1 < lines.size(); ++i)
            breaks += lines.at(i).endsWith(QLatin1Char('-')) ? 1 : 0;
    }
    return breaks;
}

} // namespace

// The product icon, each program's own title, and captions and paths that read whole.
class TestLooks : public QObject {
    Q_OBJECT

private slots:
    void productIconIsDrawn()
    {
        QVERIFY2(installProductIcon(), "the SVG icon could not be drawn: is Qt's SVG plug-in installed?");
        QVERIFY(!QApplication::windowIcon().pixmap(32).isNull());
    }

    void restoreProgramTitlesItsBoxesAndProgress()
    {
        QtDialogs dialogs;
        dialogs.setApplicationTitle(QStringLiteral("Lumeri-varmuuskopiot"));
        dialogs.setProgressDelay(0);
        QString boxTitle;
        answerNextBox([&](QDialog* box) {
            boxTitle = box->windowTitle();
            box->accept();
        });
        dialogs.inform(QStringLiteral("Palautettu!"));
        QCOMPARE(boxTitle, QStringLiteral("Lumeri-varmuuskopiot"));

        const auto progress = dialogs.startProgress(QStringLiteral("Palautetaan varmuuskopiota ..."), false);
        const auto progressDialog = []() -> QWidget* {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == QStringLiteral("Edistyminen") && top->isVisible())
                    return top;
            return nullptr;
        };
        QTRY_VERIFY((progress->advance(0, 0), progressDialog() != nullptr));
        QCOMPARE(progressDialog()->windowTitle(), QStringLiteral("Lumeri-varmuuskopiot"));
    }

    // The series button's caption stays exact; only its drawing keeps the hyphen with "taulut".
    void seriesCaptionNeverBreaksAfterItsHyphen()
    {
        const QString caption = registerNames::kInitialSeriesCaption.toString();
        QFont font = QApplication::font();
        font.setPointSizeF(8);
        QVERIFY(breaksAfterHyphen(caption, font) > 0);   // Qt alone would break there
        QCOMPARE(breaksAfterHyphen(WrappingButton::drawnCaption(caption), font), 0);
        QCOMPARE(WrappingButton::drawnCaption(caption).remove(QChar(0x2060)), caption);
    }

    void aCopyPathShowsItsFileName_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("long path of short folders, wrapped by the box")
            << QString("/home/kayttaja/Yrityksen_tietokannat/").repeated(6) << false;
        QTest::newRow("a folder wider than the box") << "/home/" + QString(200, 'k') + "/vuosi_2026/" << true;
    }

    void aCopyPathShowsItsFileName()
    {
        QFETCH(QString, folder);
        QFETCH(bool, shortened);
        const QString name = QStringLiteral("yritys_wk1_20261208101112.var");
        const QString detail = QStringLiteral("Varmuuskopio: ") + folder + name;
        QString shown, tip;
        answerNextBox([&](QDialog* box) {
            const auto* line = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
            QVERIFY(line);
            shown = line->text();
            tip = line->toolTip();
            box->accept();
        });
        QtDialogs().informWithDetail(QStringLiteral("Poistettu!"), detail);

        QVERIFY2(shown.endsWith(QLatin1Char('/') + name), qPrintable(shown));
        QCOMPARE(shown == detail, !shortened);
        if (shortened) {
            QVERIFY(shown.startsWith(QStringLiteral("Varmuuskopio: /home/")) && shown.contains(QChar(0x2026)));
            QVERIFY(QFontMetrics(QApplication::font("QMessageBox")).horizontalAdvance(shown.mid(14)) <= 470);
            QCOMPARE(tip, detail);
        }
    }
};

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
