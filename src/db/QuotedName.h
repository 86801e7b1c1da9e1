#pragma once

#include <QString>

// `name` as a quoted identifier of the engine's SQL: whatever it holds is a
// name, never a part of a statement.
inline QString quotedName(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
