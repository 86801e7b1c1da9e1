#pragma once

#include "operations/Refusal.h"

#include <QString>

#include <functional>

class Database;
class Failure;
class MainView;
class WaitingDialogs;

// A change of one table, from the operator's Yes on.
struct LockedChange {
    // Decided again under the write lock, before the copy: another program
    // may have changed the file while the question was open.
    std::function<Refusal()> decideAgain;
    // The change itself, after the copy and under the same lock. The engine
    // may still refuse it; then nothing is committed.
    std::function<Refusal()> change;
    // Throws a failure of the change or of its commit again in the change's
    // own words; without it the failure goes on as it is.
    std::function<void(const Failure&)> rethrow;
    // The closing box ("Poistettu!"); the copy's place goes under it.
    QString doneText;
};

// Takes the write lock of `database`, opened before the question, and holds
// it from the decision through the safety copy to the commit: no other
// program writes between the copy and the change. A refusal decided again
// leaves no copy; any refusal is told with the database closed. Otherwise
// the change is done: the closing box says where the copy went and the list
// is read again.
void changeUnderLock(Database& database, WaitingDialogs& dialogs, MainView& view, const LockedChange& what);
