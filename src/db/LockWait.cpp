#include "db/LockWait.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>

namespace {

// The engine's own timeout sleeps up to 100 ms between tries, and a program
// committing again within that time keeps the lock nearly always.
constexpr auto kBetweenTries = std::chrono::milliseconds(2);
// Three of those tries: one may fall just before the lock goes, one may be
// late by a scheduling slice.
constexpr auto kGivingWay = 3 * kBetweenTries;

} // namespace

void LockWait::giveWay()
{
    std::this_thread::sleep_for(kGivingWay);
}

void LockWait::attachTo(sqlite3* db)
{
    sqlite3_busy_handler(db, &LockWait::tryAgain, this);
}

int LockWait::tryAgain(void* self, int triesBefore)
{
    auto& wait = *static_cast<LockWait*>(self);
    if (triesBefore == 0)
        wait.waiting_.start();
    const int elapsed = int(wait.waiting_.elapsed());
    bool keep = false;
    // Nothing may leave through the engine's own code: a fault in the asking
    // ends the wait, and the statement then fails as locked.
    try {
        keep = wait.keepWaiting_ ? wait.keepWaiting_(elapsed) : elapsed < kQuietLimitMs;
    } catch (...) {
        keep = false;
    }
    if (!keep)
        return 0;
    std::this_thread::sleep_for(kBetweenTries);
    return 1;
}
