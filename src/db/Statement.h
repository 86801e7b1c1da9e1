#pragma once

#include "db/Connection.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// One prepared statement on a Connection, stepped row by row. A failure is
// thrown as `what` (as `whatIfDamaged` when the engine finds the file damaged).
class Statement {
public:
    Statement(const Connection& connection, QByteArrayView sql, QString what, QString whatIfDamaged = {});
    // The statement, or nothing when the engine refuses it (say, a table it lacks).
    static std::optional<Statement> ifAccepted(const Connection& connection, QByteArrayView sql);
    Statement(Statement&&) noexcept = default;
    Statement& operator=(Statement&&) noexcept = default;
    ~Statement() = default;

    // Whether `sql` held more than the one statement prepared of it.
    bool hasMore() const { return more_; }

    // A text bound as its bytes, a name's odd bytes kept (db/NameBytes).
    void bind(int index, const QString& text);
    void bind(int index, qint64 number);

    enum class Step { Row, Done, Failed };
    // One step, the failure left to the caller.
    Step step();
    // One step: true at a row, false when done; a failure is thrown.
    bool next();
    // The first row's column 0 as a number; a statement without a row fails.
    qint64 firstNumber();
    // Back to before the first step, to run again; the bindings stay.
    void reset();

    qint64 number(int column) const;
    bool isNull(int column) const;
    QString text(int column) const;
    // A name as the catalogue holds its bytes, decoded as the table list
    // decodes it (db/NameBytes), so that it compares equal to the list's.
    QString name(int column) const;

private:
    Statement(const Connection& connection, sqlite::StmtPtr statement, QString what, QString whatIfDamaged,
              bool more);

    const Connection* connection_;
    sqlite::StmtPtr statement_;
    QString what_;
    QString whatIfDamaged_;
    bool more_ = false;
};
