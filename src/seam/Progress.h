#pragma once

#include <QString>
#include <QtGlobal>

// What long work reports while it runs, and how the operator asks it to stop.
// Obtained from Dialogs::startProgress; the work has ended when it is gone.
//
//   const auto progress = dialogs.startProgress(QStringLiteral("Poistetaan taulukoita: %1 / %2"), true);
//   for (...) {
//       database.deleteTable(name);                   // one committed step
//       if (!progress->advance(++done, total))        // stop asked: end after this step
//           break;
//   }
//
// advance() is cheap: call it after every step. It answers false once the
// operator has asked to stop, and goes on answering false.
// Ask the operator before starting it or after it is gone: while it lives no
// box but its own takes input.
class Progress {
public:
    virtual ~Progress() = default;

    // `done` of `total` steps are finished; a total of 0 means the amount is unknown.
    virtual bool advance(qint64 done, qint64 total) = 0;

    // The text shown for a step: "%1" becomes `done` and "%2" `total`, so that
    // "Poistetaan taulukoita: %1 / %2" reads "Poistetaan taulukoita: 1234 / 5000".
    // A text without them, "Otetaan varmuuskopiota ...", is shown as it is.
    static QString label(const QString& text, qint64 done, qint64 total)
    {
        QString shown = text;
        shown.replace(QLatin1String("%1"), QString::number(done));
        shown.replace(QLatin1String("%2"), QString::number(total));
        return shown;
    }
};

// Work that nobody watches: it never stops early.
class SilentProgress : public Progress {
public:
    bool advance(qint64, qint64) override { return true; }
};
