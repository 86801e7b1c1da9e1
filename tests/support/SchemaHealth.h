#pragma once

#include <QString>
#include <QStringList>

// What a business program would trip over in a database file after a change,
// one line each; empty when the file is healthy: damage (integrity_check),
// references pointing at nothing (foreign_key_check), a view that cannot be
// read, and an ALTER TABLE of an unrelated table that the engine refuses
// because a view or trigger names something that is gone. The ALTER TABLE is
// tried on a scratch copy; the file itself is only read.
QStringList schemaProblems(const QString& path);
