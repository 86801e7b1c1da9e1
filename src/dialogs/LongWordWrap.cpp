#include "dialogs/LongWordWrap.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTextEdit>

#include <algorithm>

namespace {

// About as wide as a message box lets its text grow before wrapping it.
constexpr int kTextWidth = 460;

bool hasWordWiderThan(const QFontMetrics& metrics, const QString& text, int width)
{
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    const QStringList words = text.split(spaces, Qt::SkipEmptyParts);
    return std::any_of(words.cbegin(), words.cend(),
                       [&](const QString& word) { return metrics.horizontalAdvance(word) > width; });
}

} // namespace

void wrapLongWords(QMessageBox& box)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!label || !grid || !hasWordWiderThan(label->fontMetrics(), box.text(), kTextWidth))
        return;

    auto* view = new QTextEdit(&box);
    view->setObjectName(QStringLiteral("pitkaTeksti"));
    view->setReadOnly(true);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->viewport()->setAutoFillBackground(false);
    view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    view->setPlainText(box.text());
    view->setAccessibleName(box.text());
    view->document()->setDocumentMargin(0);
    // A fixed width, so that resizing the view never lays the text out anew.
    view->setLineWrapMode(QTextEdit::FixedPixelWidth);
    view->setLineWrapColumnOrWidth(kTextWidth);
    view->document()->setTextWidth(kTextWidth);
    // Tall enough for the whole text; a text taller than half a screen scrolls.
    const int height = int(view->document()->size().height()) + 2;
    view->setFixedSize(kTextWidth, std::min(height, 480));

    grid->replaceWidget(label, view);
    label->hide();
}
