#pragma once

#include "db/Database.h"

#include <QElapsedTimer>

#include <optional>

// A walk's deletions, committed in batches rather than one at a time: every
// commit waits for the disk, and every drop made alone rescans the whole
// catalogue, so short batches cost little more than one transaction for all,
// while what was committed stays when the walk is stopped, fails or the
// program is killed. Between two batches the write lock is let go long
// enough for another program waiting for it to take it.
//
//   DeletionBatches batches(database);          // the write lock, shared with the safety copy
//   for (...) {
//       batches.open();                           // the batch this deletion belongs to
//       database.deleteTable(name);               // anything that must go with it goes just before
//       batches.deleted();                        // commits a batch that has had its share of work
//   }
//   batches.commit();
class DeletionBatches {
public:
    // A batch ends after this much of the engine's work or this many
    // deletions, whichever comes first; see DeletionBatches.cpp.
    static constexpr int kBatchMs = 200;
    static constexpr int kMostPerBatch = 200;

    // Takes the write lock for the first batch.
    explicit DeletionBatches(Database& database);
    DeletionBatches(const DeletionBatches&) = delete;
    DeletionBatches& operator=(const DeletionBatches&) = delete;

    // The write lock of the batch the next deletion belongs to: a new batch
    // waits for it as every step does while another program holds the file.
    void open();
    // One deletion made in the open batch; a batch that has had its share of
    // the work is committed, and the lock given way for a moment.
    void deleted();
    // Commits what the open batch did: at the end of the walk, or when the
    // operator stops it.
    void commit();
    // After a failure inside the open batch: what it did before stays when
    // the engine kept the batch whole (a drop it refused), otherwise the
    // engine has undone the batch. Returns how many deletions are committed.
    int settleAfterFailure() noexcept;

    // Deletions made so far, and of those the ones committed.
    int deletedCount() const { return deleted_; }
    int committedCount() const { return committed_; }

private:
    Database& database_;
    std::optional<Database::WriteTransaction> batch_;
    QElapsedTimer working_;   // since the batch's first deletion began
    int deleted_ = 0;
    int committed_ = 0;
};
