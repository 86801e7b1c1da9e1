#include "db/PageBackup.h"

#include <sqlite3.h>

PageBackup::PageBackup(Connection& target, const Connection& source, QString what)
    : target_(&target), backup_(sqlite3_backup_init(target.handle(), "main", source.handle(), "main")),
      what_(std::move(what))
{
    if (!backup_)
        target.fail(what_);
}

PageBackup::Step PageBackup::step(int pages)
{
    const int stepped = sqlite3_backup_step(backup_.get(), pages);
    if (stepped == SQLITE_OK)
        return Step::More;
    if (stepped == SQLITE_DONE)
        return Step::Done;
    failedCode_ = stepped;
    failedCommitting_ = pageCount() > 0 && remaining() == 0;
    return Step::Failed;
}

int PageBackup::pageCount() const
{
    return sqlite3_backup_pagecount(backup_.get());
}

int PageBackup::remaining() const
{
    return sqlite3_backup_remaining(backup_.get());
}

void PageBackup::finish()
{
    if (failedCode_ != 0)
        throw failure();
    if (sqlite3_backup_finish(backup_.release()) != SQLITE_OK)
        target_->fail(what_);
}

Failure PageBackup::failure()
{
    sqlite3_backup_finish(backup_.release());
    return target_->codeFailure(what_, failedCode_);
}
