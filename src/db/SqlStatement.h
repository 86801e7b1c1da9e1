#pragma once

#include <QString>
#include <variant>

// The two statement forms of the engine's dialect that the operations run.
struct SelectInto {
    QString source;
    QString target;
};
struct DeleteAllRows {
    QString table;
};
using Statement = std::variant<SelectInto, DeleteAllRows>;

// Reads `SELECT [a].* INTO [b] FROM [a]` or `DELETE * FROM [a]`, keywords in
// any letter case. A bracketed name runs to the first "]". Anything else,
// including any text after the statement, is refused with a Failure.
Statement parseStatement(const QString& text);

// `name` as a quoted identifier of the engine's SQL.
QString quotedName(const QString& name);
