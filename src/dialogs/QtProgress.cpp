#include "dialogs/QtProgress.h"

#include "dialogs/ProgressDialog.h"

#include <QCoreApplication>

namespace {

// Often enough that the window never looks frozen, seldom enough that a
// step of a fraction of a millisecond hardly pays for it.
constexpr qint64 kPumpEveryMs = 40;

} // namespace

QtProgress::QtProgress(QWidget* parent, QString text, bool cancellable, int showAfterMs)
    : parent_(parent), text_(std::move(text)), cancellable_(cancellable), showAfterMs_(showAfterMs)
{
    running_.start();
    // The question just answered leaves the screen before the work begins.
    pumpEvents();
}

QtProgress::~QtProgress()
{
    // Input that arrived during the last step is dropped too, not run later.
    pumpEvents();
}

bool QtProgress::advance(qint64 done, qint64 total)
{
    const qint64 now = running_.elapsed();
    if (now - lastPumpMs_ >= kPumpEveryMs) {
        lastPumpMs_ = now;
        if (now >= showAfterMs_) {
            if (!dialog_) {
                dialog_ = std::make_unique<ProgressDialog>(parent_, cancellable_);
                if (!title_.isEmpty())
                    dialog_->setWindowTitle(title_);
                blocker_.allow(dialog_.get());
            }
            dialog_->show(Progress::label(text_, done, total), done, total);
        }
        pumpEvents();
    }
    return !(dialog_ && dialog_->stopAsked());
}

void QtProgress::pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
