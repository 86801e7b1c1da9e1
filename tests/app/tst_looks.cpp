#include "AnswerBox.h"
#include "dialogs/QtDialogs.h"
#include "dialogs/Startup.h"
#include "app/WrappingButton.h"
#include "operations/RegisterNames.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextLayout>

// How often, over many widths, a word-wrapped `text` ends a line with a hyphen.
static int breaksAfterHyphen(const QString& text, const QFont& font)
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

// The product icon, the restore program's own title, and captions and paths that read whole.
class TestLooks : public QObject {
    Q_OBJECT

private slots:
    void productIconIsDrawn() { QVERIFY2(installProductIcon(), "is Qt's SVG plug-in (libqt6svg6) installed?"); }

    void progressCarriesTheProgramsTitle()
    {
        QtDialogs dialogs;
        dialogs.setApplicationTitle(QStringLiteral("Lumeri-varmuuskopiot"));
        dialogs.setProgressDelay(0);
        const auto progress = dialogs.startProgress(QStringLiteral("Palautetaan varmuuskopiota ..."), false);
        QWidget* shown = nullptr;
        QTRY_VERIFY((progress->advance(0, 0), shown = qApp->activeModalWidget()) != nullptr);
        QCOMPARE(shown->windowTitle(), QStringLiteral("Lumeri-varmuuskopiot"));
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

    // A folder name wider than the box would be cut off at its edge.
    void aCopyPathWithAWideFolderShowsItsFileName()
    {
        const QString detail = "Varmuuskopio: /home/" + QString(200, 'k') + "/vuosi/yritys_wk1_20261208101112.var";
        QString shown, tip;
        answerNextBox([&](QDialog* box) {
            const auto* line = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
            QVERIFY(line);
            shown = line->text();
            tip = line->toolTip();
            box->accept();
        });
        QtDialogs().informWithDetail(QStringLiteral("Poistettu!"), detail);
        QVERIFY2(shown.startsWith("Varmuuskopio: /home/") && shown.endsWith("/yritys_wk1_20261208101112.var")
                     && shown.contains(QChar(0x2026)) && shown.size() < 120,
                 qPrintable(shown));
        QCOMPARE(tip, detail);
    }
};

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
