#include "operations/DeletionBatches.h"

#include "db/LockWait.h"

#include <QScopeGuard>

// The batch rule: a batch is committed once its deletions have taken
// kBatchMs of the engine's work, or once it holds kMostPerBatch of them.
// Every drop scans the whole catalogue, so its cost grows with it: measured
// with the engine's own shell dropping every register table of a generated file
// with the page cache this program gives it, a drop took about 0.08 ms at
// 1,000 tables, 1.1 ms at 10,000 and 2.4 ms at 20,000, while one drop a
// commit took 45 times as long as all drops in one transaction at 1,000
// tables and 1.7 times at 10,000 (the commits' flushes). Batches of 100 to
// 400 drops came within a few percent of one transaction at 1,000 and 10,000
// tables, where 25 a batch still took 1.4 times as long; at 20,000 one
// transaction took 2.3 times as long as batches, its changes no longer
// fitting the page cache. So a batch is cut by time, which keeps another
// program's wait for the lock to about 0.2 s however large the catalogue,
// and by count, which keeps a small catalogue's batches short (0.2 s would
// be its whole walk) at no measurable cost.

DeletionBatches::DeletionBatches(Database& database) : database_(database)
{
    batch_.emplace(database_);
}

void DeletionBatches::open()
{
    if (!batch_)
        batch_.emplace(database_);
    if (!working_.isValid())
        working_.start();
}

void DeletionBatches::deleted()
{
    ++deleted_;
    if ((working_.isValid() && working_.elapsed() >= kBatchMs) || deleted_ - committed_ >= kMostPerBatch) {
        commit();
        LockWait::giveWay();
    }
}

void DeletionBatches::commit()
{
    if (!batch_)
        return;
    const auto ended = qScopeGuard([this] {
        batch_.reset();
        working_.invalidate();
    });
    batch_->commit();
    committed_ = deleted_;
}

int DeletionBatches::settleAfterFailure() noexcept
{
    // A drop the engine refused leaves the batch's earlier drops in place; a
    // fault of the file makes the engine, or the commit's failure, undo them.
    if (batch_ && batch_->isOpen() && database_.holdsWriteLock()) {
        try {
            commit();
        } catch (...) {
            // Rolled back: the failure that came first is the one told.
        }
    }
    batch_.reset();
    working_.invalidate();
    return committed_;
}
