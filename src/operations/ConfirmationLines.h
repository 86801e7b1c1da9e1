#pragma once

#include <QString>
#include <QStringList>

#include <QList>

#include <optional>

namespace emptying {
struct Effects;
}

// The informative lines under a question, which tell what the answer Yes
// will take. Numbers are written the Finnish way, "4 992".
namespace confirmationLines {

// The tables a register cleanup would delete, the first few by name, the
// views that go with them and the safety copy:
// "Poistetaan 4 992 taulukkoa: A, B, C, D, E ja 4 987 muuta. Ennen poistoa
// otetaan varmuuskopio.", "Poistetaan 1 taulukko: A. Samalla poistetaan
// näkymä V, joka lukee sitä. Ennen poistoa otetaan varmuuskopio." or
// "Yhtään taulukkoa ei poisteta."
QString tablesToDelete(const QStringList& doomed, const QStringList& views = {});

// What deleting one table takes: its rows, when they were counted, the views
// that go with it and the safety copy: "Taulukossa on 99 420 riviä. Ennen
// poistoa otetaan varmuuskopio."
QString tableToDelete(std::optional<qint64> rows, const QStringList& views);

// The rows emptying a table deletes, when they were counted, and that no
// safety copy is taken: "Taulukossa on 99 420 riviä. Tyhjennyksestä ei oteta
// varmuuskopiota."
QString rowsToDelete(std::optional<qint64> rows);

// The same for a table whose emptying reaches further, from its rehearsal:
// the row line, whether a safety copy is taken (`copy`), then a line for each
// other table whose rows it deletes, changes or adds ("Taulukosta B poistuu
// samalla 3 riviä."). When the rehearsal was not done in time, the counts
// are left out and the line says so.
QString emptyingReach(const emptying::Effects& effects, bool copy);

} // namespace confirmationLines
