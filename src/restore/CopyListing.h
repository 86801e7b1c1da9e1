#pragma once

#include "copies/SafetyCopyList.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;

// Lists the safety copies of a database away from the window's thread, as
// the folder tells, and then reads each copy's catalogue once for its table
// count and for what it would bring back and take away against the
// database, whose catalogue is read once. Each answer goes to the window as
// soon as it is had: a folder of large copies of a file with thousands of
// tables takes seconds to read, and the window keeps answering meanwhile.
// Answers of an earlier start() never arrive after a later one.
class CopyListing : public QObject {
    Q_OBJECT

public:
    explicit CopyListing(QObject* parent = nullptr);
    ~CopyListing() override;

    void start(const QString& databasePath);
    // Waits for the reading to stop; what it had not handed over is dropped.
    void stop();
    bool isReading() const { return reading_; }

signals:
    // The copies, none read yet, except a link to the database with its problem.
    void listed(const QList<SafetyCopyEntry>& copies);
    void listingFailed(const QString& reason);
    // One copy read: with its table count, or with its problem.
    void copyRead(const SafetyCopyEntry& copy);
    void compared(const QString& copyPath, const QStringList& bringsBack, const QStringList& removes);
    void unreadable(const QString& copyPath, const QString& reason);
    void finished();

private:
    void read(int generation, const QString& databasePath, const std::shared_ptr<std::atomic_bool>& stopAsked);
    template <class Answer>
    void deliver(int generation, Answer answer);

    std::unique_ptr<QThread> thread_;
    std::shared_ptr<std::atomic_bool> stopAsked_;
    int generation_ = 0;
    bool reading_ = false;
};
