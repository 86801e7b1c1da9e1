#pragma once

#include "db/Connection.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Ends the engine's work on `connection` once `withinMs` have passed, unless it has
// finished first: some steps (a count, a deletion) are one call the engine
// returns from only when done, which only an interrupt can end. Another
// thread gives it once the time is up.
class Deadline {
public:
    Deadline(const Connection& connection, int withinMs)
        : watch_([this, &connection, withinMs] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!ended_.wait_for(lock, std::chrono::milliseconds(withinMs), [this] { return finished_; }))
                  connection.interrupt();
          })
    {
    }
    // Before the statement is finalized: an interrupt that came just after
    // the work ends with it, since the engine forgets it at the next
    // statement that starts with none running.
    ~Deadline()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        ended_.notify_one();
        watch_.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    std::thread watch_;   // last: starts once the rest is ready
};
