#pragma once

#include "db/Connection.h"

// The engine's copy of every page of one connection's database into
// another's, in steps. A backup not finished by its owner is finished when
// it goes, so that a failure part-way leaves none open on either connection.
class PageBackup {
public:
    // A refusal to start is thrown as `what`, from the target's connection.
    PageBackup(Connection& target, const Connection& source, QString what);
    PageBackup(PageBackup&&) noexcept = default;
    PageBackup& operator=(PageBackup&&) noexcept = default;
    ~PageBackup() = default;

    enum class Step { More, Done, Failed };
    // Copies up to `pages` pages, every one left when negative.
    Step step(int pages);
    int pageCount() const;
    int remaining() const;
    // Whether a failed step had copied every page: then it was committing them.
    bool failedCommitting() const { return failedCommitting_; }

    // Ends the backup; throws the failed step's failure, or the engine's
    // refusal to end it.
    void finish();
    // Ends the backup after a failed step and returns that step's failure:
    // the engine reports it on the target's connection only once the backup ends.
    Failure failure();

private:
    Connection* target_;
    sqlite::BackupPtr backup_;
    QString what_;
    int failedCode_ = 0;
    bool failedCommitting_ = false;
};
