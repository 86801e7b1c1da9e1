#include "dialogs/ElidedPaths.h"

#include <QDir>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>

namespace {

// About as wide as a message box lets its text grow before wrapping it.
constexpr int kTextWidth = 460;

bool hasFolderWiderThanBox(const QString& path, const QFontMetrics& metrics)
{
    const qsizetype slash = path.lastIndexOf(QDir::separator());
    if (slash < 0)
        return false;
    const QStringList folders = path.left(slash).split(QDir::separator());
    return std::any_of(folders.cbegin(), folders.cend(),
                       [&](const QString& folder) { return metrics.horizontalAdvance(folder) > kTextWidth; });
}

QString elidedPath(const QString& path, const QFontMetrics& metrics)
{
    const qsizetype slash = path.lastIndexOf(QDir::separator());
    const QString name = path.mid(slash + 1);
    const QString folder = path.left(slash + 1);
    const int room = kTextWidth - metrics.horizontalAdvance(name);
    // A name wider than the box keeps only the folder's first letter before it.
    const QString shortened = metrics.elidedText(folder, Qt::ElideMiddle, qMax(room, 0));
    return (shortened.isEmpty() ? folder.left(1) + QChar(0x2026) : shortened) + name;
}

} // namespace

void elideLongPaths(QLabel& label)
{
    const QString whole = label.text();
    const QFontMetrics metrics = label.fontMetrics();
    static const QRegularExpression words(QStringLiteral("\\S+"));
    QString shown = whole;
    // From the end, so that earlier positions stay right.
    QList<QRegularExpressionMatch> found;
    for (const QRegularExpressionMatch& word : words.globalMatch(whole))
        found.prepend(word);
    for (const QRegularExpressionMatch& word : found) {
        if (!hasFolderWiderThanBox(word.captured(), metrics))
            continue;
        shown.replace(word.capturedStart(), word.capturedLength(), elidedPath(word.captured(), metrics));
    }
    if (shown == whole)
        return;
    label.setText(shown);
    label.setToolTip(whole);
    label.setAccessibleName(whole);
}
