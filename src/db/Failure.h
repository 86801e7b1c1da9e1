#pragma once

#include <QString>
#include <exception>
#include <string>

// The one kind of error the system raises. The window's click guard shows it
// to the operator. `what` and `detail` are Finnish; `original` quotes the
// engine's or the operating system's own words, kept for whoever helps the
// operator.
class Failure : public std::exception {
public:
    // What made the engine or the operating system say no, where a reason
    // of db/Reasons names it; Other when it only tells that they said no.
    enum class Cause {
        Other, Locked, DiskFull, SizeLimit, NoRightToChange, NoRightToWrite, NotFound, NameTooLong, DiskError,
        OutOfMemory, Damaged, FileGone, FileMoved, FolderNotWritable, ReadFailed
    };
    // A reason in the operator's words and the cause it names.
    struct Reason {
        Cause cause = Cause::Other;
        QString text;
    };

    Failure(QString what, QString file, QString detail = QString(), QString original = QString())
        : what_(std::move(what)), file_(std::move(file)), detail_(std::move(detail)),
          original_(std::move(original)), utf8_(message().toStdString()) {}
    Failure(QString what, QString file, Reason reason, QString original = QString())
        : what_(std::move(what)), file_(std::move(file)), detail_(std::move(reason.text)),
          original_(std::move(original)), cause_(reason.cause), utf8_(message().toStdString()) {}

    const QString& whatFailed() const { return what_; }
    const QString& file() const { return file_; }
    const QString& detail() const { return detail_; }
    const QString& original() const { return original_; }
    Cause cause() const { return cause_; }

    // A copy with a sentence about the operation's state put in front,
    // for a caller that knows what had been done when the step failed.
    Failure withContext(const QString& context) const
    {
        Failure restated = reworded(what_.isEmpty() ? context : context + QLatin1Char('\n') + what_);
        restated.toldHowThingsStand_ = true;
        return restated;
    }

    // A copy with one more sentence after `what`, the rest kept.
    Failure followedBy(const QString& sentence) const { return reworded(what_ + QLatin1Char('\n') + sentence); }

    // The same failure, its cause, state and marks kept, restated as `what`:
    // for an operation that names in its own words what was not done.
    Failure reworded(QString what) const
    {
        Failure restated = *this;
        restated.what_ = std::move(what);
        restated.utf8_ = restated.message().toStdString();
        return restated;
    }

    // A copy that also keeps, apart from the rest, how the failure left
    // things, e.g. "Tietokanta on ennallaan.", so that an operation telling
    // the failure in its own words (lockedOutAs) can say it too.
    Failure withState(QString state) const
    {
        Failure restated = *this;
        restated.state_ = std::move(state);
        return restated;
    }
    const QString& state() const { return state_; }

    // The same failure restated by the operation in its own words, `what`, which
    // say that another program holding the file is why. The engine's words
    // are kept for whoever helps the operator; the box leaves them out.
    Failure lockedOutAs(QString what) const
    {
        Failure restated(std::move(what), file_, QString(), original_);
        restated.cause_ = Cause::Locked;
        restated.lockedOut_ = true;
        return restated;
    }
    bool toldAsLockedOut() const { return lockedOut_; }
    // A copy marked as a failure to open the file, which names no operation:
    // whoever knows what the operation left undone may say it first.
    Failure atOpening() const
    {
        Failure restated = *this;
        restated.atOpening_ = true;
        return restated;
    }
    bool failedAtOpening() const { return atOpening_; }

    // Whether a caller has already put in front what the failure left done
    // and undone (withContext), so that nobody says it again.
    bool toldHowThingsStand() const { return toldHowThingsStand_; }

    QString message() const
    {
        QString text = what_;
        if (!file_.isEmpty())
            text += QStringLiteral("\n\nTiedosto: ") + file_;
        if (!detail_.isEmpty())
            text += QStringLiteral("\nSyy: ") + detail_;
        // The engine's own words help only where the Finnish reason could not
        // name the cause; under a named one they would only repeat it in English.
        if (!original_.isEmpty() && cause_ == Cause::Other)
            text += QStringLiteral("\nAlkuperäinen ilmoitus: ") + original_;
        return text;
    }

    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString what_;
    QString file_;
    QString detail_;
    QString original_;
    Cause cause_ = Cause::Other;
    std::string utf8_;
    QString state_;
    bool lockedOut_ = false;
    bool toldHowThingsStand_ = false;
    bool atOpening_ = false;
};
