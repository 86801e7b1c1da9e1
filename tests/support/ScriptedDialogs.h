#pragma once

#include "seam/Dialogs.h"

#include <QList>
#include <QStringList>
#include <QTest>
#include <functional>
#include <memory>

// The operator, scripted: answers are taken from the queues in order (No, an
// empty text and a cancelled file dialog once a queue is empty), and every
// box shown is recorded for the test to read.
class ScriptedDialogs : public Dialogs {
    class ScriptedProgress;

public:
    enum class Kind { Inform, Confirm, AskText, ChooseFile };
    struct Shown {
        Kind kind;
        QString text;
        QString title;
        DefaultAnswer defaultAnswer = DefaultAnswer::No;
        QString detail;   // the line under a box's text
    };

    // One long piece of work reported through startProgress.
    struct ProgressShown {
        QString text;
        bool cancellable = false;
        QList<QPair<qint64, qint64>> steps;   // done, total of each advance()
        bool ended = false;                   // the work let its progress go
        QStringList labels() const
        {
            QStringList shownLabels;
            for (const auto& [done, total] : steps)
                shownLabels.append(Progress::label(text, done, total));
            return shownLabels;
        }
    };

    QList<bool> confirmAnswers;
    QStringList textAnswers;
    QStringList fileAnswers;
    QList<Shown> shown;
    QList<OpenFileRequest> fileRequests;
    bool busy = false;
    int busyCount = 0;
    QList<ProgressShown> progresses;
    // The operator presses "Keskeytä" during step N: the N-th advance() of a
    // piece of work and every later one answer "stop". Negative: never.
    int stopAfterSteps = -1;
    // How long an operation waits for another program before giving up: the
    // scripted operator's own, apart from the program's limit, which is
    // checked against the real dialogs.
    int waitLimit = 30000;
    // Runs while an information box is open, to look at the window meanwhile.
    std::function<void(const QString&)> whileInforming;
    // Runs while a question is open, before its scripted answer.
    std::function<void(const QString&)> whileConfirming;
    // Runs while the text prompt is open, before its scripted answer.
    std::function<void(const QString&)> whileAsking;
    // Runs at every advance() of long work, with the work as reported so far.
    std::function<void(const ProgressShown&)> whileProgressing;

    void inform(const QString& text) override
    {
        record({Kind::Inform, text, {}, {}, {}});
        if (whileInforming)
            whileInforming(text);
    }
    void informWithDetail(const QString& text, const QString& detail) override
    {
        record({Kind::Inform, text, {}, {}, detail});
        if (whileInforming)
            whileInforming(text);
    }
    bool confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer) override
    {
        record({Kind::Confirm, text, title, defaultAnswer, {}});
        if (whileConfirming)
            whileConfirming(text);
        return !confirmAnswers.isEmpty() && confirmAnswers.takeFirst();
    }
    bool confirmWithDetail(const QString& text, const QString& title, DefaultAnswer defaultAnswer,
                           const QString& detail) override
    {
        record({Kind::Confirm, text, title, defaultAnswer, detail});
        if (whileConfirming)
            whileConfirming(text);
        return !confirmAnswers.isEmpty() && confirmAnswers.takeFirst();
    }
    QString askText(const QString& prompt) override
    {
        record({Kind::AskText, prompt, {}, {}, {}});
        if (whileAsking)
            whileAsking(prompt);
        return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
    }
    QString chooseFileToOpen(const OpenFileRequest& request) override
    {
        record({Kind::ChooseFile, request.filter, request.title, {}, {}});
        fileRequests.append(request);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    void setBusy(bool on) override
    {
        busy = on;
        busyCount += on ? 1 : 0;
    }

    int waitLimitMs() const override { return waitLimit; }

    std::unique_ptr<Progress> startProgress(const QString& text, bool cancellable) override
    {
        progresses.append({text, cancellable, {}, false});
        return std::make_unique<ScriptedProgress>(*this, progresses.size() - 1);
    }

    QList<Shown> shownOf(Kind kind) const
    {
        QList<Shown> ofKind;
        for (const Shown& s : shown)
            if (s.kind == kind)
                ofKind.append(s);
        return ofKind;
    }

    // Every box shown, one line each: its kind, title, default button, text
    // and, after " | ", the box's detail line.
    QStringList lines() const
    {
        QStringList all;
        for (const Shown& box : shown) {
            switch (box.kind) {
            case Kind::Inform:
                all.append(QStringLiteral("OK: ") + box.text
                           + (box.detail.isEmpty() ? QString() : QStringLiteral(" | ") + box.detail));
                break;
            case Kind::Confirm:
                all.append(QStringLiteral("Kyllä/Ei [%1] %2: %3")
                               .arg(box.title,
                                    box.defaultAnswer == DefaultAnswer::No ? QStringLiteral("oletus Ei")
                                                                           : QStringLiteral("oletus Kyllä"),
                                    box.text)
                           + (box.detail.isEmpty() ? QString() : QStringLiteral(" | ") + box.detail));
                break;
            case Kind::AskText:
                all.append(QStringLiteral("Kysy: ") + box.text);
                break;
            case Kind::ChooseFile:
                all.append(QStringLiteral("Valitse tiedosto: ") + box.title);
                break;
            }
        }
        return all;
    }

    QStringList informed() const
    {
        QStringList texts;
        for (const Shown& s : shown)
            if (s.kind == Kind::Inform)
                texts.append(s.text);
        return texts;
    }

private:
    // The real window takes no input but the progress dialog's while long
    // work runs, so a box shown then could never be answered.
    void record(const Shown& box)
    {
        shown.append(box);
        for (const ProgressShown& progress : std::as_const(progresses))
            if (!progress.ended)
                QTest::qFail(qPrintable(QStringLiteral("a box was shown during long work: ") + box.text), __FILE__,
                             __LINE__);
    }

    class ScriptedProgress : public Progress {
    public:
        ScriptedProgress(ScriptedDialogs& dialogs, qsizetype index) : dialogs_(dialogs), index_(index) {}
        ~ScriptedProgress() override { dialogs_.progresses[index_].ended = true; }
        ScriptedProgress(const ScriptedProgress&) = delete;
        ScriptedProgress& operator=(const ScriptedProgress&) = delete;

        bool advance(qint64 done, qint64 total) override
        {
            auto& steps = dialogs_.progresses[index_].steps;
            steps.append({done, total});
            if (dialogs_.whileProgressing)
                dialogs_.whileProgressing(dialogs_.progresses[index_]);
            return dialogs_.stopAfterSteps < 0 || steps.size() < dialogs_.stopAfterSteps;
        }

    private:
        ScriptedDialogs& dialogs_;
        qsizetype index_;
    };
};
