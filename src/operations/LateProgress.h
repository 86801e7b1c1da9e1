#pragma once

#include "seam/Dialogs.h"

#include <QString>
#include <memory>

// The progress of long work, shown from the work's first report on, so that
// a wait for another program's lock before it has the wait's own dialog.
class LateProgress {
public:
    LateProgress(Dialogs& dialogs, QString text) : dialogs_(dialogs), text_(std::move(text)) {}

    void report()
    {
        if (!progress_)
            progress_ = dialogs_.startProgress(text_, false);
        progress_->advance(0, 0);
    }

private:
    Dialogs& dialogs_;
    const QString text_;
    std::unique_ptr<Progress> progress_;
};
