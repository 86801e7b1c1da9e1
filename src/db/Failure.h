#pragma once

#include <QString>
#include <exception>
#include <string>

// The one kind of error the system raises. The window's click guard shows it
// to the operator; its parts are already in Finnish except `detail`, which
// quotes the engine's or the operating system's own words.
class Failure : public std::exception {
public:
    Failure(QString what, QString file, QString detail = {})
        : what_(std::move(what)), file_(std::move(file)), detail_(std::move(detail)),
          utf8_(message().toStdString()) {}

    const QString& whatFailed() const { return what_; }
    const QString& file() const { return file_; }
    const QString& detail() const { return detail_; }

    // A copy with a sentence about the operation's state put in front,
    // for a caller that knows what had been done when the step failed.
    Failure withContext(const QString& context) const
    {
        return Failure(context + QLatin1Char('\n') + what_, file_, detail_);
    }

    QString message() const
    {
        QString text = what_;
        if (!file_.isEmpty())
            text += QStringLiteral("\n\nTiedosto: ") + file_;
        if (!detail_.isEmpty())
            text += QStringLiteral("\nSyy: ") + detail_;
        return text;
    }

    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString what_;
    QString file_;
    QString detail_;
    std::string utf8_;
};
