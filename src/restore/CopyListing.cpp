#include "restore/CopyListing.h"

#include "copies/CopyComparison.h"
#include "db/Failure.h"

#include <QThread>

namespace {

QString reasonOf(const Failure& failure)
{
    return failure.detail().isEmpty() ? failure.whatFailed() : failure.detail();
}

} // namespace

CopyListing::CopyListing(QObject* parent) : QObject(parent) {}

CopyListing::~CopyListing()
{
    stop();
}

void CopyListing::stop()
{
    ++generation_;
    reading_ = false;
    if (!thread_)
        return;
    stopAsked_->store(true);
    thread_->wait();
    thread_.reset();
}

void CopyListing::start(const QString& databasePath)
{
    stop();
    reading_ = true;
    stopAsked_ = std::make_shared<std::atomic_bool>(false);
    thread_.reset(QThread::create([this, generation = generation_, databasePath, stopAsked = stopAsked_] {
        read(generation, databasePath, stopAsked);
    }));
    thread_->start(QThread::LowPriority);
}

// Runs on the window's thread, and only while the answer's start is the latest.
template <class Answer>
void CopyListing::deliver(int generation, Answer answer)
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, answer = std::move(answer)] {
            if (generation == generation_)
                answer();
        },
        Qt::QueuedConnection);
}

// Runs on the reading thread: touches nothing of the window's but through deliver().
void CopyListing::read(int generation, const QString& databasePath, const std::shared_ptr<std::atomic_bool>& stopAsked)
{
    const StopAsked asked = [stopAsked] { return stopAsked->load(); };
    const auto finish = [this, generation] {
        deliver(generation, [this] {
            reading_ = false;
            emit finished();
        });
    };
    QList<SafetyCopyEntry> copies;
    try {
        copies = listSafetyCopyFiles(databasePath);
    } catch (const Failure& failure) {
        deliver(generation, [this, reason = failure.message()] { emit listingFailed(reason); });
        finish();
        return;
    }
    deliver(generation, [this, copies] { emit listed(copies); });
    if (copies.isEmpty() || asked()) {
        finish();
        return;
    }

    // Read once for every copy; if it cannot be, the copies are still read and counted.
    QStringList databaseTables;
    QString databaseProblem;
    try {
        databaseTables = databaseTableNames(databasePath, asked);
    } catch (const Failure& failure) {
        if (asked())
            return;
        databaseProblem = QStringLiteral("Tietokannan taulukoita ei voitu lukea: ") + reasonOf(failure);
    }
    for (SafetyCopyEntry& copy : copies) {
        QStringList copyTables;
        try {
            copyTables = readSafetyCopy(copy, asked);
        } catch (const Failure&) {
            return;   // stopped: what is left unread is dropped
        }
        deliver(generation, [this, copy] { emit copyRead(copy); });
        const QString reason = copy.tableCount ? databaseProblem : copy.problem;
        if (!reason.isEmpty()) {
            deliver(generation, [this, path = copy.path, reason] { emit unreadable(path, reason); });
            continue;
        }
        const CopyComparison comparison = compareTables(databaseTables, copyTables);
        deliver(generation, [this, path = copy.path, comparison] {
            emit compared(path, comparison.bringsBack, comparison.removes);
        });
    }
    finish();
}
