#pragma once

#include <QByteArray>

#include <atomic>

// While it lives, the engine's files go through a layer that makes one call
// fail as a disk or the system would: the `nth` call (from 1) of `kind` on a
// file whose name ends with `suffix` ("-wal", ".wk1", ".var") answers `code`
// instead of doing its work; every other call goes through unchanged. It
// becomes the engine's default for files opened after it, so the program's
// own code meets the fault where it would meet a real one. One at a time.
class FaultyFiles {
public:
    enum class Kind { Read, Write, Sync };

    FaultyFiles(Kind kind, QByteArray suffix, int nth, int code);
    ~FaultyFiles();
    FaultyFiles(const FaultyFiles&) = delete;
    FaultyFiles& operator=(const FaultyFiles&) = delete;

    // Whether the fault has been made.
    bool struck() const { return struck_; }

    struct Rule;

private:
    std::atomic<bool> struck_{false};
};
