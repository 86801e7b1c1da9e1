#include "operations/WaitingDialogs.h"

#include "db/Reasons.h"

const QString WaitingDialogs::kWaitingText =
    QStringLiteral("Odotetaan, että toinen ohjelma vapauttaa tietokannan ...");

// The operation's own progress: a wait while it shows is told through it,
// and its "Keskeytä" stops the wait too.
class WaitingDialogs::OwnProgress : public Progress {
public:
    OwnProgress(WaitingDialogs& owner, std::unique_ptr<Progress> shown)
        : owner_(owner), shown_(std::move(shown)), outer_(owner.current_)
    {
        owner_.current_ = this;
    }
    ~OwnProgress() override { owner_.current_ = outer_; }
    OwnProgress(const OwnProgress&) = delete;
    OwnProgress& operator=(const OwnProgress&) = delete;

    bool advance(qint64 done, qint64 total) override
    {
        done_ = done;
        total_ = total;
        return shown_->advance(done, total);
    }
    bool stillGoing() { return shown_->advance(done_, total_); }

private:
    WaitingDialogs& owner_;
    std::unique_ptr<Progress> shown_;
    OwnProgress* outer_;
    qint64 done_ = 0;
    qint64 total_ = 0;
};

WaitingDialogs::~WaitingDialogs() = default;

KeepWaiting WaitingDialogs::keepWaiting()
{
    return [this](int elapsedMs) { return keepWaiting(elapsedMs); };
}

bool WaitingDialogs::keepWaiting(int elapsedMs)
{
    if (elapsedMs >= kLimitMs)
        return false;
    bool going = true;
    if (current_) {
        going = current_->stillGoing();
    } else {
        if (!waiting_)
            waiting_ = shown_.startProgress(kWaitingText, true);
        going = waiting_->advance(elapsedMs, 0);
    }
    stopped_ = !going;
    return going;
}

Failure WaitingDialogs::told(const Failure& failure) const
{
    if (notDone_.isEmpty() || !reasons::lockedOut(failure) || failure.toldAsLockedOut())
        return failure;
    return failure.lockedOutAs(notDone_ + (stopped_ ? QStringLiteral(", koska toinen ohjelma käyttää tietokantaa. "
                                                                     "Odottaminen keskeytettiin.")
                                                    : QStringLiteral(", koska toinen ohjelma käyttää tietokantaa. "
                                                                     "Sulje se ja yritä uudelleen.")));
}

void WaitingDialogs::run(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Failure& failure) {
        endWaiting();
        throw told(failure);
    }
    endWaiting();
}

void WaitingDialogs::inform(const QString& text)
{
    endWaiting();
    shown_.inform(text);
}

void WaitingDialogs::informWithDetail(const QString& text, const QString& detail)
{
    endWaiting();
    shown_.informWithDetail(text, detail);
}

bool WaitingDialogs::confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer)
{
    endWaiting();
    return shown_.confirm(text, title, defaultAnswer);
}

bool WaitingDialogs::confirmWithDetail(const QString& text, const QString& title, DefaultAnswer defaultAnswer,
                                       const QString& detail)
{
    endWaiting();
    return shown_.confirmWithDetail(text, title, defaultAnswer, detail);
}

QString WaitingDialogs::askText(const QString& prompt)
{
    endWaiting();
    return shown_.askText(prompt);
}

QString WaitingDialogs::chooseFileToOpen(const OpenFileRequest& request)
{
    endWaiting();
    return shown_.chooseFileToOpen(request);
}

std::unique_ptr<Progress> WaitingDialogs::startProgress(const QString& text, bool cancellable)
{
    endWaiting();
    return std::make_unique<OwnProgress>(*this, shown_.startProgress(text, cancellable));
}
