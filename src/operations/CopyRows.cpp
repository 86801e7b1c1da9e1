#include "operations/CopyRows.h"

#include "copies/DiskRoom.h"

#include <QFileInfo>
#include <QLocale>

namespace copyRows {

QStringList headers()
{
    return {QStringLiteral("Otettu"),    QStringLiteral("Koko"),    QStringLiteral("Taulukoita"),
            QStringLiteral("Palauttaa"), QStringLiteral("Poistaa"), QStringLiteral("Tiedosto")};
}

QString moment(const SafetyCopyEntry& copy)
{
    QString text = copy.moment.toString(QStringLiteral("d.M.yyyy 'klo' H.mm.ss"));
    if (copy.number > 1)
        text += QStringLiteral(" (%1.)").arg(copy.number);
    return text;
}

QStringList columns(const SafetyCopyEntry& copy)
{
    const QLocale finnish(QLocale::Finnish, QLocale::Finland);
    // A copy that cannot be restored says why in its row; one not read yet shows no number.
    const QString tables = copy.tableCount ? finnish.toString(*copy.tableCount)
                           : copy.problem.isEmpty() ? notYetRead()
                                                    : QStringLiteral("ei käytettävissä: ") + copy.problem;
    return {moment(copy), diskRoom::size(copy.size), tables,
            notYetRead(), notYetRead(), QFileInfo(copy.path).fileName()};
}

QString notYetRead()
{
    return QStringLiteral("…");
}

QString count(qsizetype tables)
{
    return QLocale(QLocale::Finnish, QLocale::Finland).toString(qint64(tables));
}

namespace {

// The first few names, then how many more: a tooltip stays readable.
QString namesTip(const QString& one, const QString& many, const QString& none, const QStringList& names)
{
    constexpr qsizetype kNamesShown = 5;
    if (names.isEmpty())
        return none;
    QString tip = (names.size() == 1 ? one : many.arg(count(names.size()))) + QStringLiteral(": ")
                  + names.first(qMin(names.size(), kNamesShown)).join(QStringLiteral(", "));
    if (names.size() > kNamesShown)
        tip += QStringLiteral(" ... ja %1 muuta").arg(count(names.size() - kNamesShown));
    return tip + QLatin1Char('.');
}

} // namespace

QString bringsBackTip(const QStringList& names)
{
    return namesTip(QStringLiteral("Palauttaa 1 taulukon"), QStringLiteral("Palauttaa %1 taulukkoa"),
                    QStringLiteral("Ei palauta taulukoita, joita tietokannasta puuttuu."), names);
}

QString removesTip(const QStringList& names)
{
    return namesTip(QStringLiteral("Poistaa 1 taulukon"), QStringLiteral("Poistaa %1 taulukkoa"),
                    QStringLiteral("Ei poista tietokannan taulukoita."), names);
}

} // namespace copyRows
