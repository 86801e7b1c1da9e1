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

const QString kCopyFirst = QStringLiteral("Ennen poistoa otetaan varmuuskopio.");

// "A, B, C, D, E ja 4 987 muuta".
QString firstNames(const QStringList& names)
{
    const qsizetype others = names.size() - kNamesShown;
    return QStringList(names.mid(0, kNamesShown)).join(QStringLiteral(", "))
           + (others <= 0   ? QString()
              : others == 1 ? QStringLiteral(" ja 1 muu")
                            : QStringLiteral(" ja %1 muuta").arg(number(others)));
}

// "A", "A ja B", "A, B ja C".
QString joined(const QStringList& items)
{
    if (items.size() < 2)
        return items.join(QString());
    return QStringList(items.mid(0, items.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" ja ")
           + items.last();
}

} // namespace

QString tablesToDelete(const QStringList& doomed, const QStringList& views)
{
    const qsizetype count = doomed.size();
    if (count == 0)
        return QStringLiteral("Yhtään taulukkoa ei poisteta.");
    QString line = QStringLiteral("Poistetaan %1 %2: %3. ")
                       .arg(number(count), count == 1 ? QStringLiteral("taulukko") : QStringLiteral("taulukkoa"),
                            firstNames(doomed));
    const QString them = count == 1 ? QStringLiteral("sitä") : QStringLiteral("niitä");
    if (views.size() == 1)
        line += QStringLiteral("Samalla poistetaan näkymä %1, joka lukee %2. ").arg(views.first(), them);
    else if (views.size() > 1)
        line += QStringLiteral("Samalla poistetaan %1 näkymää, jotka lukevat %2: %3. ")
                    .arg(number(views.size()), them, firstNames(views));
    return line + kCopyFirst;
}

QString tableToDelete(std::optional<qint64> rows, const QStringList& views)
{
    QString line;
    if (rows)
        line = *rows == 0   ? QStringLiteral("Taulukossa ei ole rivejä. ")
               : *rows == 1 ? QStringLiteral("Taulukossa on 1 rivi. ")
                            : QStringLiteral("Taulukossa on %1 riviä. ").arg(number(*rows));
    if (views.size() == 1)
        line += QStringLiteral("Samalla poistetaan näkymä %1, joka lukee taulukkoa. ").arg(views.first());
    else if (views.size() > 1)
        line += QStringLiteral("Samalla poistetaan näkymät %1, jotka lukevat taulukkoa. ").arg(joined(views));
    return line + kCopyFirst;
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
