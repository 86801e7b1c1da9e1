#pragma once

#include <QString>
#include <QStringView>

// The naming scheme of the Incomes Register tables. Every test compares the
// first n characters of a name, n being the length of the fixed text, exactly
// and case-sensitively; a name shorter than n never matches.
namespace registerNames {

inline constexpr QStringView kRegisterPrefix = u"Tulorekisteri_";
inline constexpr QStringView kSeparatePrefix = u"Tulorekisteri_erillis_";
inline constexpr QStringView kInitialSeriesCaption = u"Poista valitun numerosarjan Tulorekisteri_ -taulut";

// Characters are counted as the operator sees them: not bytes, and not the
// parts of one letter (a base and its combining marks, a surrogate pair).

// Whether the first characters of `name` are exactly `fixed`.
bool beginsWith(const QString& name, QStringView fixed);

// The first `count` characters of `name`, or all of it when it is shorter.
QString firstCharacters(const QString& name, int count);

bool isRegisterTable(const QString& name);
bool isBasicDataTable(const QString& name);
bool isNumberedRegisterTable(const QString& name);

// The caption of the series button for a selected name: the series prefix
// of a register table, or the initial caption for any other name.
QString seriesCaptionFor(const QString& selectedName);

// Whether the caption names a series rather than being the initial caption.
bool captionNamesSeries(const QString& caption);

} // namespace registerNames
