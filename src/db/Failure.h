#pragma once

#include <QString>
#include <exception>
#include <string>

// Whether `reason`, a Finnish reason of db/Reasons, names what caused the
// failure (a lock, a full disk, a missing file ...) rather than telling only
// that the engine or the system said no.
bool reasonNamesTheCause(const QString& reason);

// The one kind of error the system raises. The window's click guard shows it
// to the operator. `what` and `detail` are Finnish; `original` quotes the
// engine's or the operating system's own words, kept for whoever helps the
// operator.
class Failure : public std::exception {
public:
    Failure(QString what, QString file, QString detail = {}, QString original = {})
        : what_(std::move(what)), file_(std::move(file)), detail_(std::move(detail)),
          original_(std::move(original)), utf8_(message().toStdString()) {}

    const QString& whatFailed() const { return what_; }
    const QString& file() const { return file_; }
    const QString& detail() const { return detail_; }
    const QString& original() const { return original_; }

    // A copy with a sentence about the operation's state put in front,
    // for a caller that knows what had been done when the step failed.
    Failure withContext(const QString& context) const
    {
        Failure told(what_.isEmpty() ? context : context + QLatin1Char('\n') + what_, file_, detail_, original_);
        told.lockedOut_ = lockedOut_;
        told.state_ = state_;
        told.toldHowThingsStand_ = true;
        return told;
    }

    // A copy with one more sentence after `what`, the rest kept.
    Failure followedBy(const QString& sentence) const
    {
        Failure told = *this;
        told.what_ += QLatin1Char('\n') + sentence;
        told.utf8_ = told.message().toStdString();
        return told;
    }

    // A copy that also keeps, apart from the rest, how the failure left
    // things, e.g. "Tietokanta on ennallaan.", so that an operation telling
    // the failure in its own words (lockedOutAs) can say it too.
    Failure withState(QString state) const
    {
        Failure told = *this;
        told.state_ = std::move(state);
        return told;
    }
    const QString& state() const { return state_; }

    // The same failure told by the operation in its own words, `what`, which
    // say that another program holding the file is why. The engine's words
    // are kept for whoever helps the operator; the box leaves them out.
    Failure lockedOutAs(QString what) const
    {
        Failure told(std::move(what), file_, {}, original_);
        told.lockedOut_ = true;
        return told;
    }
    bool toldAsLockedOut() const { return lockedOut_; }
    // A copy marked as a failure to open the file, which names no operation:
    // whoever knows what the operation left undone may say it first.
    Failure atOpening() const
    {
        Failure told = *this;
        told.atOpening_ = true;
        return told;
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
        if (!original_.isEmpty() && !lockedOut_ && !reasonNamesTheCause(detail_))
            text += QStringLiteral("\nAlkuperäinen ilmoitus: ") + original_;
        return text;
    }

    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString what_;
    QString file_;
    QString detail_;
    QString original_;
    std::string utf8_;
    QString state_;
    bool lockedOut_ = false;
    bool toldHowThingsStand_ = false;
    bool atOpening_ = false;
};
