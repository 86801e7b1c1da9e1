#pragma once

#include <QElapsedTimer>

#include <functional>

struct sqlite3;

// Asked again and again while another program holds a lock this program
// waits for: `elapsedMs` since the wait began; false gives the wait up.
using KeepWaiting = std::function<bool(int elapsedMs)>;

// The engine's handler of a lock another program holds: it tries the lock
// again every few milliseconds, so that a program that commits without pause
// is caught between two of its commits, for as long as KeepWaiting says so,
// or, given none, for a few seconds without telling anyone.
class LockWait {
public:
    static constexpr int kQuietLimitMs = 5000;

    explicit LockWait(KeepWaiting keepWaiting = {}) : keepWaiting_(std::move(keepWaiting)) {}
    LockWait(const LockWait&) = delete;
    LockWait& operator=(const LockWait&) = delete;

    // Called after a commit when another write follows at once: lets go of
    // the file long enough for a program that waits for the lock as this one
    // does (trying it every few milliseconds) to take it first.
    static void giveWay();

    // Makes this the handler of `db`, which must not outlive it.
    void attachTo(sqlite3* db);
    void setKeepWaiting(KeepWaiting keepWaiting) { keepWaiting_ = std::move(keepWaiting); }

private:
    static int tryAgain(void* self, int triesBefore);

    KeepWaiting keepWaiting_;
    QElapsedTimer waiting_;
};
