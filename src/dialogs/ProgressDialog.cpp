#include "dialogs/ProgressDialog.h"

#include "dialogs/QtDialogs.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A bar of fixed resolution: totals such as a file's bytes do not fit an int.
constexpr int kBarSteps = 1000;

const QString kStopping = QStringLiteral("\nKeskeytetään, kun meneillään oleva vaihe on valmis ...");

} // namespace

ProgressDialog::ProgressDialog(QWidget* parent, bool cancellable)
    : QDialog(parent), label_(new QLabel(this)), bar_(new QProgressBar(this))
{
    setObjectName(QStringLiteral("Edistyminen"));
    setWindowTitle(QtDialogs::kApplicationTitle);
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(360);
    label_->setTextFormat(Qt::PlainText);
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    if (cancellable) {
        stop_ = new QPushButton(QStringLiteral("Keskeytä"), this);
        stop_->setObjectName(QStringLiteral("Keskeyta"));
        stop_->setAutoDefault(false);
        layout->addWidget(stop_, 0, Qt::AlignRight);
        connect(stop_, &QPushButton::clicked, this, &ProgressDialog::askToStop);
    }
}

void ProgressDialog::show(const QString& label, qint64 done, qint64 total)
{
    label_->setText(stopAsked_ ? label + kStopping : label);
    if (total > 0) {
        bar_->setRange(0, kBarSteps);
        bar_->setValue(int(qBound(qint64(0), done * kBarSteps / total, qint64(kBarSteps))));
    } else {
        bar_->setRange(0, 0);   // amount unknown: the bar only shows that work goes on
    }
    if (!isVisible())
        QDialog::show();
}

void ProgressDialog::reject()
{
    if (stop_)
        askToStop();
}

void ProgressDialog::askToStop()
{
    stopAsked_ = true;
    stop_->setEnabled(false);
    label_->setText(label_->text() + kStopping);
}
