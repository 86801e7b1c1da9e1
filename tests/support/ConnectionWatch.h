#pragma once

#include <QTest>
#include <QtTest/qtestassert.h>

#include <sqlite3.h>

#include <functional>
#include <utility>

// Hands every connection the engine opens in this process while it lives,
// the program's own included, to `onOpen`, so that a test can set the
// engine's own hooks on connections the code under test opens and closes
// out of its reach. One at a time.
class ConnectionWatch {
public:
    explicit ConnectionWatch(std::function<void(sqlite3*)> onOpen) : onOpen_(std::move(onOpen))
    {
        QTEST_ASSERT(!current_);
        current_ = this;
        QTEST_ASSERT(sqlite3_auto_extension(entryPoint()) == SQLITE_OK);
    }
    ~ConnectionWatch()
    {
        sqlite3_cancel_auto_extension(entryPoint());
        current_ = nullptr;
    }
    ConnectionWatch(const ConnectionWatch&) = delete;
    ConnectionWatch& operator=(const ConnectionWatch&) = delete;

private:
    static int opened(sqlite3* db, char** /*error*/, const sqlite3_api_routines* /*api*/)
    {
        if (current_)
            current_->onOpen_(db);
        return SQLITE_OK;
    }
    // The engine takes the entry point as a function without arguments and
    // calls it with the three above.
    static void (*entryPoint())() { return reinterpret_cast<void (*)()>(&ConnectionWatch::opened); }

    inline static ConnectionWatch* current_ = nullptr;
    std::function<void(sqlite3*)> onOpen_;
};
