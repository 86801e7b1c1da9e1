#pragma once

#include <QByteArray>

// A copy in the making holds a lock of its own on its temporary file for as
// long as the program making it lives; the system lets go of it when the
// program ends, also when it is killed.
void markAsInTheMaking(int fd);

// Removes the half-made copies that programs killed while copying left
// beside the database: regular files named by `pattern`, a path whose
// "XXXXXX" stands for six letters or digits, that no living program holds.
// Called under the database's write lock, so no copy of it is being begun
// meanwhile. A file that cannot be removed stays; it is only clutter.
void removeCopyLeftovers(const QByteArray& pattern);
