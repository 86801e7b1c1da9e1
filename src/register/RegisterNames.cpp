#include "register/RegisterNames.h"

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

bool beginsWith(const QString& name, QStringView fixed)
{
    return name.startsWith(fixed, Qt::CaseSensitive);
}

QString firstCharacters(const QString& name, int count)
{
    qsizetype end = 0;
    for (int taken = 0; taken < count && end < name.size(); ++taken)
        end += (name.at(end).isHighSurrogate() && end + 1 < name.size() && name.at(end + 1).isLowSurrogate()) ? 2 : 1;
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
