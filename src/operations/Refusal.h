#pragma once

#include <QString>

class Database;
class Dialogs;

// Why a change is not made, in the operator's words. Where the engine
// refused, its own words go on the box's last line.
struct Refusal {
    Refusal() = default;
    Refusal(QString text, QString engineWords = {}) : text(std::move(text)), engineWords(std::move(engineWords)) {}

    QString text;
    QString engineWords;
    bool isEmpty() const { return text.isEmpty(); }
};

// Tells `refusal` with `database` closed first: whatever lock it held goes
// before the box waits for the operator.
void refuse(Database& database, Dialogs& dialogs, const Refusal& refusal);
