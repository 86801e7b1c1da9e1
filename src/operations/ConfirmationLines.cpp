#include "operations/ConfirmationLines.h"

#include <QLocale>

namespace confirmationLines {

namespace {

constexpr qsizetype kNamesShown = 5;

QString number(qint64 value)
{
    static const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    return finnish.toString(value);
}

} // namespace

QString tablesToDelete(const QStringList& doomed)
{
    const qsizetype count = doomed.size();
    if (count == 0)
        return QStringLiteral("Yhtään taulukkoa ei poisteta.");
    const QString names = QStringList(doomed.mid(0, kNamesShown)).join(QStringLiteral(", "));
    const qsizetype others = count - kNamesShown;
    return QStringLiteral("Poistetaan %1 %2: %3%4.")
        .arg(number(count), count == 1 ? QStringLiteral("taulukko") : QStringLiteral("taulukkoa"), names,
             others <= 0   ? QString()
             : others == 1 ? QStringLiteral(" ja 1 muu")
                           : QStringLiteral(" ja %1 muuta").arg(number(others)));
}

QString rowsToDelete(std::optional<qint64> rows)
{
    const QString noCopy = QStringLiteral("Tyhjennyksestä ei oteta varmuuskopiota.");
    if (!rows)
        return noCopy;
    if (*rows == 0)
        return QStringLiteral("Taulukossa ei ole rivejä. ") + noCopy;
    if (*rows == 1)
        return QStringLiteral("Taulukossa on 1 rivi. ") + noCopy;
    return QStringLiteral("Taulukossa on %1 riviä. ").arg(number(*rows)) + noCopy;
}

} // namespace confirmationLines
