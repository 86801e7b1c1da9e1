#include "restore/ComparisonReader.h"

#include "backups/CopyComparison.h"
#include "db/Failure.h"

#include <QThread>

namespace {

QString reasonOf(const Failure& failure)
{
    return failure.detail().isEmpty() ? failure.whatFailed() : failure.detail();
}

} // namespace

ComparisonReader::ComparisonReader(QObject* parent) : QObject(parent) {}

ComparisonReader::~ComparisonReader()
{
    stop();
}

void ComparisonReader::stop()
{
    ++generation_;
    reading_ = false;
    if (!thread_)
        return;
    stopAsked_->store(true);
    thread_->wait();
    thread_.reset();
}

void ComparisonReader::start(const QString& databasePath, const QStringList& copyPaths)
{
    stop();
    if (copyPaths.isEmpty())
        return;
    reading_ = true;
    stopAsked_ = std::make_shared<std::atomic_bool>(false);
    thread_.reset(QThread::create([this, generation = generation_, databasePath, copyPaths,
                                   stopAsked = stopAsked_] { read(generation, databasePath, copyPaths, stopAsked); }));
    thread_->start(QThread::LowPriority);
}

// Runs on the window's thread, and only while the answer's start is the latest.
template <class Answer>
void ComparisonReader::deliver(int generation, Answer answer)
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
void ComparisonReader::read(int generation, const QString& databasePath, const QStringList& copyPaths,
                            const std::shared_ptr<std::atomic_bool>& stopAsked)
{
    const StopAsked asked = [stopAsked] { return stopAsked->load(); };
    const auto finish = [this, generation] {
        deliver(generation, [this] {
            reading_ = false;
            emit finished();
        });
    };
    QStringList databaseTables;
    try {
        databaseTables = databaseTableNames(databasePath, asked);
    } catch (const Failure& failure) {
        const QString reason = QStringLiteral("Tietokannan taulukoita ei voitu lukea: ") + reasonOf(failure);
        deliver(generation, [this, copyPaths, reason] {
            for (const QString& copy : copyPaths)
                emit unreadable(copy, reason);
        });
        finish();
        return;
    }
    for (const QString& copy : copyPaths) {
        if (asked())
            return;
        try {
            const CopyComparison comparison = compareTables(databaseTables, copyTableNames(copy, asked));
            deliver(generation, [this, copy, comparison] { emit compared(copy, comparison.bringsBack, comparison.removes); });
        } catch (const Failure& failure) {
            deliver(generation, [this, copy, reason = reasonOf(failure)] { emit unreadable(copy, reason); });
        }
    }
    finish();
}
