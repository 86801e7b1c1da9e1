#include "operations/ConfirmationLines.h"

#include "db/Emptying.h"

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

QString rows(qint64 count)
{
    return count == 1 ? QStringLiteral("1 rivi") : QStringLiteral("%1 riviä").arg(number(count));
}

QString rowsLine(qint64 count)
{
    if (count == 0)
        return QStringLiteral("Taulukossa ei ole rivejä.");
    return QStringLiteral("Taulukossa on %1.").arg(rows(count));
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
    return rows ? rowsLine(*rows) + QLatin1Char(' ') + noCopy : noCopy;
}

QString emptyingReach(const emptying::Effects& effects, bool copy)
{
    using Outcome = emptying::Effects::Outcome;
    const bool counted = effects.outcome == Outcome::Done;
    QStringList first;
    if (effects.rows)
        first.append(rowsLine(*effects.rows));
    if (!counted)
        first.append(effects.rows ? QStringLiteral("Muiden taulukoiden rivejä ei ehditty laskea.")
                                  : QStringLiteral("Rivejä ei ehditty laskea."));
    if (!copy)
        first.append(QStringLiteral("Tyhjennyksestä ei oteta varmuuskopiota."));
    else if (counted)
        first.append(QStringLiteral("Ennen tyhjennystä otetaan varmuuskopio, koska muutos ulottuu muihin "
                                    "taulukoihin."));
    else
        first.append(QStringLiteral("Ennen tyhjennystä otetaan varmuuskopio, koska muutos voi ulottua muihin "
                                    "taulukoihin."));
    QStringList lines{first.join(QLatin1Char(' '))};
    if (counted) {
        for (const emptying::TableRows& other : effects.others) {
            if (other.deleted > 0)
                lines.append(
                    QStringLiteral("Taulukosta %1 poistuu samalla %2.").arg(other.table, rows(other.deleted)));
            if (other.changed > 0)
                lines.append(QStringLiteral("Taulukossa %1 muuttuu samalla %2.").arg(other.table, rows(other.changed)));
            if (other.added > 0)
                lines.append(QStringLiteral("Taulukkoon %1 lisätään samalla %2.").arg(other.table, rows(other.added)));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace confirmationLines
