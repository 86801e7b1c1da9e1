#pragma once

#include "view/Dialogs.h"

#include <QList>
#include <QStringList>
#include <functional>

// The operator, scripted: answers are taken from the queues in order (No, an
// empty text and a cancelled file dialog once a queue is empty), and every
// box shown is recorded for the test to read.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Inform, Confirm, AskText, ChooseFile };
    struct Shown {
        Kind kind;
        QString text;
        QString title;
        DefaultAnswer defaultAnswer = DefaultAnswer::No;
    };

    QList<bool> confirmAnswers;
    QStringList textAnswers;
    QStringList fileAnswers;
    QList<Shown> shown;
    QList<OpenFileRequest> fileRequests;
    bool busy = false;
    int busyCount = 0;
    // Runs while an information box is open, to look at the window meanwhile.
    std::function<void(const QString&)> whileInforming;

    void inform(const QString& text) override
    {
        shown.append({Kind::Inform, text, {}, {}});
        if (whileInforming)
            whileInforming(text);
    }
    bool confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer) override
    {
        shown.append({Kind::Confirm, text, title, defaultAnswer});
        return !confirmAnswers.isEmpty() && confirmAnswers.takeFirst();
    }
    QString askText(const QString& prompt) override
    {
        shown.append({Kind::AskText, prompt, {}, {}});
        return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
    }
    QString chooseFileToOpen(const OpenFileRequest& request) override
    {
        shown.append({Kind::ChooseFile, request.filter, request.title, {}});
        fileRequests.append(request);
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    void setBusy(bool on) override
    {
        busy = on;
        busyCount += on ? 1 : 0;
    }

    QStringList informed() const
    {
        QStringList texts;
        for (const Shown& s : shown)
            if (s.kind == Kind::Inform)
                texts.append(s.text);
        return texts;
    }
};
