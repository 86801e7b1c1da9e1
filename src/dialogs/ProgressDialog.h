#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The modal box over the window while long work runs: what is being done,
// how far it is, and "Keskeytä" when the work can stop early. Closing it
// with Esc or its close box is the same as "Keskeytä", or nothing at all.
class ProgressDialog : public QDialog {
    Q_OBJECT

public:
    ProgressDialog(QWidget* parent, bool cancellable);

    void show(const QString& label, qint64 done, qint64 total);
    bool stopAsked() const { return stopAsked_; }

    void reject() override;

private:
    void askToStop();

    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* stop_ = nullptr;
    bool stopAsked_ = false;
};
