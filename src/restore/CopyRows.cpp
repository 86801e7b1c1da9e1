#include "restore/CopyRows.h"

#include <QFileInfo>
#include <QLocale>

namespace copyRows {

QStringList headers()
{
    return {QStringLiteral("Otettu"), QStringLiteral("Koko"), QStringLiteral("Taulukoita"),
            QStringLiteral("Tiedosto")};
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
    // A copy that cannot be restored says why in its row.
    const QString tables = copy.tableCount ? finnish.toString(*copy.tableCount)
                           : copy.problem.isEmpty() ? QStringLiteral("ei luettavissa")
                                                    : QStringLiteral("ei käytettävissä: ") + copy.problem;
    return {moment(copy), finnish.formattedDataSize(copy.size, 1, QLocale::DataSizeSIFormat), tables,
            QFileInfo(copy.path).fileName()};
}

} // namespace copyRows
