#include "operations/DependencyCheck.h"

#include "db/Dependencies.h"

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

// "taulukon Asiakkaat liipaisin Kirjaa", "näkymän Myynti liipaisin Lisaa".
QString triggerOf(const Dependencies::Blocker& blocker)
{
    return QStringLiteral("%1 %2 liipaisin %3")
        .arg(blocker.ownerIsView ? QStringLiteral("näkymän") : QStringLiteral("taulukon"), blocker.owner,
             blocker.trigger);
}

QString usedThing(const Dependencies::Blocker& blocker)
{
    return QStringLiteral("%1 %2").arg(blocker.usedIsView ? QStringLiteral("näkymää") : QStringLiteral("taulukkoa"),
                                       blocker.used);
}

} // namespace

QString deletionRefusal(const Dependencies& picture, const QString& table, const QStringList& viewsGoing)
{
    QStringList why;
    if (const QStringList referring = picture.references().tablesReferringTo(table); !referring.isEmpty())
        why.append(referring.size() == 1 ? QStringLiteral("taulukko %1 viittaa siihen").arg(referring.first())
                                         : QStringLiteral("taulukot %1 viittaavat siihen").arg(joined(referring)));
    for (const Dependencies::Blocker& blocker : picture.triggersUsing(QStringList{table} + viewsGoing))
        why.append(triggerOf(blocker)
                   + (blocker.usedIsView
                          ? QStringLiteral(" käyttää näkymää %1, joka poistuisi sen mukana").arg(blocker.used)
                          : QStringLiteral(" käyttää sitä")));
    if (why.isEmpty())
        return {};
    return QStringLiteral("Taulukkoa %1 ei poistettu, koska %2. Tietokanta on ennallaan.").arg(table, joined(why));
}

QString walkRefusal(const Dependencies& picture, const QStringList& doomed, const QStringList& viewsGoing)
{
    if (doomed.isEmpty())
        return {};
    QStringList pairs;
    const References& references = picture.references();
    if (!references.isEmpty()) {
        QHash<QString, QString> going;   // folded name -> the name itself
        for (const QString& name : doomed)
            going.insert(engineFolded(name), name);
        for (const Reference& key : references.all()) {
            const auto parent = going.constFind(engineFolded(key.parent));
            if (parent == going.constEnd() || going.contains(engineFolded(key.child)))
                continue;
            const QString pair = QStringLiteral("taulukko %1 viittaa taulukkoon %2").arg(key.child, *parent);
            if (!pairs.contains(pair))
                pairs.append(pair);
        }
    }
    const qsizetype byKeys = pairs.size();
    for (const Dependencies::Blocker& blocker : picture.triggersUsing(doomed + viewsGoing))
        pairs.append(triggerOf(blocker) + QStringLiteral(" käyttää ") + usedThing(blocker));
    if (pairs.isEmpty())
        return {};
    constexpr qsizetype kShown = 20;
    QStringList lines = pairs.mid(0, kShown);
    if (pairs.size() > kShown)
        lines.append(QStringLiteral("ja %1 muuta").arg(pairs.size() - kShown));
    const QString why = byKeys == pairs.size() ? QStringLiteral("jäävät taulukot viittaavat poistettaviin")
                                               : QStringLiteral("jäävät taulukot tarvitsevat poistettavia");
    return QStringLiteral("Yhtään taulukkoa ei poistettu, koska %1:\n").arg(why) + lines.join(QLatin1Char('\n'))
           + QStringLiteral("\nTietokanta on ennallaan.");
}
