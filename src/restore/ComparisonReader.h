#pragma once

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;

// Reads, away from the window's thread, what each safety copy would bring
// back and take away against the database, and hands each answer to the
// window as soon as it has it. Answers of an earlier start() never arrive
// after a later one.
class ComparisonReader : public QObject {
    Q_OBJECT

public:
    explicit ComparisonReader(QObject* parent = nullptr);
    ~ComparisonReader() override;

    void start(const QString& databasePath, const QStringList& copyPaths);
    void stop();
    bool isReading() const { return reading_; }

signals:
    void compared(const QString& copyPath, const QStringList& bringsBack, const QStringList& removes);
    void unreadable(const QString& copyPath, const QString& reason);
    void finished();

private:
    void read(int generation, const QString& databasePath, const QStringList& copyPaths,
              const std::shared_ptr<std::atomic_bool>& stopAsked);
    template <class Answer>
    void deliver(int generation, Answer answer);

    std::unique_ptr<QThread> thread_;
    std::shared_ptr<std::atomic_bool> stopAsked_;
    int generation_ = 0;
    bool reading_ = false;
};
