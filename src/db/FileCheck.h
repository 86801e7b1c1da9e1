#pragma once

#include <QString>

// Rejects what SQLite would open without complaint but is no usable database,
// or what would make it wait for ever; a Failure says why.
void checkFile(const QString& path);

#include <QByteArray>

// What the first bytes of a database file say of it, read the one way for
// the database and for its safety copies.
class FileHeader {
public:
    static constexpr int kSize = 100;

    explicit FileHeader(QByteArray bytes) : bytes_(std::move(bytes)) {}

    // Begins with the engine's mark of a database file.
    bool isDatabase() const;
    // All kSize bytes are there.
    bool isWhole() const { return bytes_.size() >= kSize; }
    // The page size it gives, or 0 when that is no valid page size.
    int pageSize() const;
    // The big-endian number at `offset`.
    quint32 number(int offset) const;
    bool usesWriteAheadLog() const;

private:
    QByteArray bytes_;
};
