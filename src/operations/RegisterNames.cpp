#include "operations/RegisterNames.h"

#include <QTextBoundaryFinder>

#include <array>

namespace registerNames {

namespace {

constexpr int kSeriesLength = 19;           // "Tulorekisteri_" and five characters
constexpr int kSeparateSeriesLength = 27;   // "Tulorekisteri_erillis_" and five characters

constexpr std::array<QStringView, 4> kBasicDataPrefixes = {
    u"Tulorekisteri_S",
    u"Tulorekisteri_M",
    u"Tulorekisteri_erillis_M",
    u"Tulorekisteri_erillis_T",
};

} // namespace

// A character is what the operator sees as one: a letter stored as a base and
// combining marks, or as a surrogate pair, is never cut in two. Cutting a
// decomposed "Ä" after its "A" would make a shorter prefix that also matches
// the tables of other series.
bool beginsWith(const QString& name, QStringView fixed)
{
    if (!name.startsWith(fixed, Qt::CaseSensitive))
        return false;
    if (name.size() == fixed.size())
        return true;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, name);
    characters.setPosition(fixed.size());
    return characters.isAtBoundary();
}

QString firstCharacters(const QString& name, int count)
{
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, name);
    qsizetype end = 0;
    for (int taken = 0; taken < count && end < name.size(); ++taken)
        end = characters.toNextBoundary();
    return name.left(end);
}

bool isRegisterTable(const QString& name)
{
    return beginsWith(name, kRegisterPrefix);
}

bool isBasicDataTable(const QString& name)
{
    for (const QStringView prefix : kBasicDataPrefixes)
        if (beginsWith(name, prefix))
            return true;
    return false;
}

bool isNumberedRegisterTable(const QString& name)
{
    return isRegisterTable(name) && !isBasicDataTable(name);
}

QString seriesCaptionFor(const QString& selectedName)
{
    // The longer beginning first: every separate-series name also begins with the shorter one.
    if (beginsWith(selectedName, kSeparatePrefix))
        return firstCharacters(selectedName, kSeparateSeriesLength);
    if (beginsWith(selectedName, kRegisterPrefix))
        return firstCharacters(selectedName, kSeriesLength);
    return kInitialSeriesCaption.toString();
}

bool captionNamesSeries(const QString& caption)
{
    return beginsWith(caption, u"Tulor");
}

} // namespace registerNames
