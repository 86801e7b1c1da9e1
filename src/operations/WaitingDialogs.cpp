#include "operations/WaitingDialogs.h"

#include "db/Reasons.h"

const QString WaitingDialogs::kWaitingText =
    QStringLiteral("Odotetaan, että toinen ohjelma vapauttaa tietokannan ...\nOdotetaan vielä enintään %1 s.");

namespace {

// A wait shorter than this goes on under the operation's own progress even
// when that cannot stop it, so that a moment's wait does not blink it away.
constexpr int kOwnProgressStaysMs = 250;

} // namespace

// The operation's own progress: a wait while it shows is told through it,
// and its "Keskeytä" stops the wait too. One without "Keskeytä" gives way to
// the wait's dialog, and is shown again at the work's next step.
class WaitingDialogs::OwnProgress : public Progress {
public:
    OwnProgress(WaitingDialogs& owner, QString text, bool cancellable)
        : owner_(owner), text_(std::move(text)), cancellable_(cancellable), outer_(owner.current_)
    {
        owner_.current_ = this;
        show();
    }
    ~OwnProgress() override { owner_.current_ = outer_; }
    OwnProgress(const OwnProgress&) = delete;
    OwnProgress& operator=(const OwnProgress&) = delete;

    bool advance(qint64 done, qint64 total) override
    {
        done_ = done;
        total_ = total;
        if (!shown_)
            show();
        return shown_->advance(done, total);
    }
    // Whether the wait goes on under this progress, which then shows that it does.
    bool tellsWait(int elapsedMs) const
    {
        return shown_ && (cancellable_ || elapsedMs < kOwnProgressStaysMs);
    }
    bool stillGoing()
    {
        const bool going = shown_->advance(done_, total_);
        return going || !cancellable_;
    }
    void giveWay() { shown_.reset(); }

private:
    void show()
    {
        owner_.endWaiting();
        shown_ = owner_.shown_.startProgress(text_, cancellable_);
    }

    WaitingDialogs& owner_;
    const QString text_;
    const bool cancellable_;
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
    stopped_ = false;
    if (elapsedMs >= shown_.waitLimitMs())
        return false;
    if (current_ && current_->tellsWait(elapsedMs)) {
        stopped_ = !current_->stillGoing();
        return !stopped_;
    }
    if (current_)
        current_->giveWay();
    if (!waiting_)
        waiting_ = shown_.startProgress(kWaitingText, true);
    // The seconds the wait may still last, rounded up: the text counts down to 1.
    const int limitMs = shown_.waitLimitMs();
    stopped_ = !waiting_->advance((limitMs - elapsedMs + 999) / 1000, 0);
    return !stopped_;
}

Failure WaitingDialogs::told(const Failure& failure) const
{
    if (notDone_.isEmpty() || failure.toldAsLockedOut())
        return failure;
    if (reasons::lockedOut(failure))
        return failure.lockedOutAs(
            notDone_
            + (stopped_ ? QStringLiteral(", koska toinen ohjelma käyttää tietokantaa. Odottaminen keskeytettiin.")
                        : QStringLiteral(", koska toinen ohjelma käyttää tietokantaa. ") + reasons::kTryAgainLater)
            + (failure.state().isEmpty() ? QString() : QLatin1Char('\n') + failure.state()));
    // A file that could not be opened says nothing of the operation: what
    // was not done goes first. Any other failure names its step itself.
    if (!failure.failedAtOpening() || failure.toldHowThingsStand())
        return failure;
    return failure.withContext(notDone_ + QLatin1Char('.'));
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
    return std::make_unique<OwnProgress>(*this, text, cancellable);
}
