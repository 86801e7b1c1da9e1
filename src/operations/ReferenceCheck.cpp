#include "operations/ReferenceCheck.h"

#include "db/References.h"

#include <QHash>

namespace {

// "A", "A ja B", "A, B ja C".
QString joined(const QStringList& items)
{
    if (items.size() < 2)
        return items.join(QString());
    return QStringList(items.mid(0, items.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" ja ")
           + items.last();
}

} // namespace

QString referredTableRefusal(const References& references, const QString& table, const QString& notDone)
{
    const QStringList referring = references.tablesReferringTo(table);
    if (referring.isEmpty())
        return {};
    return QStringLiteral("Taulukkoa %1 %2, koska %3 siihen. Poista ensin viittaavat taulukot.")
        .arg(table, notDone,
             referring.size() == 1
                 ? QStringLiteral("taulukko %1 viittaa").arg(referring.first())
                 : QStringLiteral("taulukot %1 viittaavat").arg(joined(referring)));
}

QString referredByStayingRefusal(const References& references, const QStringList& doomed)
{
    if (references.isEmpty() || doomed.isEmpty())
        return {};
    QHash<QString, QString> going;   // folded name -> the name itself
    for (const QString& name : doomed)
        going.insert(engineFolded(name), name);
    QStringList pairs;
    for (const Reference& key : references.all()) {
        const auto parent = going.constFind(engineFolded(key.parent));
        if (parent == going.constEnd() || going.contains(engineFolded(key.child)))
            continue;
        const QString pair = QStringLiteral("taulukko %1 viittaa taulukkoon %2").arg(key.child, *parent);
        if (!pairs.contains(pair))
            pairs.append(pair);
    }
    if (pairs.isEmpty())
        return {};
    constexpr qsizetype kShown = 20;
    QStringList lines = pairs.mid(0, kShown);
    if (pairs.size() > kShown)
        lines.append(QStringLiteral("ja %1 muuta viittausta").arg(pairs.size() - kShown));
    return QStringLiteral("Yhtään taulukkoa ei poistettu, koska jäävät taulukot viittaavat poistettaviin:\n")
           + lines.join(QLatin1Char('\n')) + QStringLiteral("\nPoista ensin viittaavat taulukot.");
}
