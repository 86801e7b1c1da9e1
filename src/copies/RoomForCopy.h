#pragma once

#include <QString>
#include <QtGlobal>

// Before a safety copy: throws a Failure, which changes nothing, when the
// folder of the database has less room than the copy needs: the file and a
// write-ahead log beside it, which the copy may take in.
void ensureRoomForCopy(const QString& databasePath);

// "Levyllä ei ole tilaa varmuuskopiolle: tarvitaan 1,2 Gt, vapaana 0,3 Gt."
QString noRoomMessage(qint64 neededBytes, qint64 freeBytes);
// A size as the operator reads it: "512 t", "1,5 kt", "340,0 Mt", "1,2 Gt".
QString readableSize(qint64 bytes);
