#include "app/WrappingButton.h"

#include <QStyleOptionButton>
#include <QRegularExpression>
#include <QStylePainter>

void WrappingButton::setCaption(const QString& caption)
{
    setText(caption);
    static const QRegularExpression lineBreaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    setAccessibleName(QString(caption).replace(lineBreaks, QStringLiteral(" ")).trimmed());
}

QString WrappingButton::drawnCaption(const QString& caption)
{
    static const QRegularExpression hyphenBeforeWord(QStringLiteral("-(?=\\w)"),
                                                     QRegularExpression::UseUnicodePropertiesOption);
    QString drawn = caption;
    drawn.remove(QLatin1Char('\r'));
    // A word joiner: no line may break there, and it takes no room.
    return drawn.replace(hyphenBeforeWord, QStringLiteral("-\u2060"));
}

void WrappingButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).adjusted(2, 0, -2, 0);
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(), drawnCaption(caption),
                         QPalette::ButtonText);
}
