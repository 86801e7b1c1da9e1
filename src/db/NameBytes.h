#pragma once

#include <QByteArray>
#include <QString>

// Table names are bytes in the file and need not be valid UTF-8. Each byte
// that is not part of a valid UTF-8 sequence becomes the lone surrogate
// U+DC80 + byte (which no valid text holds), so that every name keeps its
// exact bytes through the list and back into the statement that names it.
namespace nameBytes {

QString decode(const char* bytes, qsizetype size);
// The inverse of decode(); for any other text the same as toUtf8().
QByteArray encode(const QString& text);

} // namespace nameBytes
