#include "dialogs/QtDialogs.h"

#include "dialogs/ElidedPaths.h"
#include "dialogs/FinnishFileColumns.h"
#include "dialogs/LongWordWrap.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

const QString QtDialogs::kApplicationTitle = QStringLiteral("Lumeri taulukkotyökalu");

namespace {

// Table names are shown as they are: a name that looks like markup stays text.
void preparePlain(QMessageBox& box, const QString& text, const QString& title)
{
    box.setWindowTitle(title);
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    wrapLongWords(box);
}

} // namespace

void QtDialogs::inform(const QString& text)
{
    QMessageBox box(parent_);
    preparePlain(box, text, applicationTitle_);
    box.setStandardButtons(QMessageBox::Ok);
    noteAnswer(false);
    box.exec();
}

void QtDialogs::informWithDetail(const QString& text, const QString& detail)
{
    QMessageBox box(parent_);
    preparePlain(box, text, applicationTitle_);
    box.setInformativeText(detail);
    // A path to copy elsewhere, such as the safety copy's; a long one shows its file name.
    if (auto* line = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        line->setTextInteractionFlags(Qt::TextSelectableByMouse);
        elideLongPaths(*line);
    }
    box.setStandardButtons(QMessageBox::Ok);
    noteAnswer(false);
    box.exec();
}

bool QtDialogs::confirm(const QString& text, const QString& title, DefaultAnswer defaultAnswer)
{
    return confirmWithDetail(text, title, defaultAnswer, QString());
}

bool QtDialogs::confirmWithDetail(const QString& text, const QString& title, DefaultAnswer defaultAnswer,
                                  const QString& detail)
{
    QMessageBox box(parent_);
    preparePlain(box, text, title.isEmpty() ? applicationTitle_ : title);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(defaultAnswer == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    const bool yes = box.exec() == QMessageBox::Yes;
    noteAnswer(yes);
    return yes;
}

QString QtDialogs::askText(const QString& prompt)
{
    QDialog dialog(parent_);
    dialog.setWindowTitle(applicationTitle_);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(prompt, &dialog);
    label->setTextFormat(Qt::PlainText);
    auto* answer = new QLineEdit(&dialog);
    answer->setObjectName(QStringLiteral("uusiNimi"));
    answer->setAccessibleName(QStringLiteral("Taulukon uusi nimi"));
    label->setBuddy(answer);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(label);
    layout->addWidget(answer);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    answer->setFocus();
    const bool given = dialog.exec() == QDialog::Accepted;
    noteAnswer(given && !answer->text().isEmpty());
    return given ? answer->text() : QString();
}

QString QtDialogs::chooseFileToOpen(const OpenFileRequest& request)
{
    noteAnswer(false);
    QFileDialog dialog(parent_, request.title, request.folder);
    // Qt's own dialog, so that the pattern matches names in any letter case everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setProxyModel(new FinnishFileColumns(&dialog));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(request.filter);
    dialog.setDirectory(request.folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void QtDialogs::setBusy(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::unique_ptr<Progress> QtDialogs::startProgress(const QString& text, bool cancellable)
{
    // The first work after an answer has had the time since the answer
    // already (opening the file, taking its lock): its dialog is due sooner.
    int delayMs = progressDelayMs_;
    if (answered_.isValid())
        delayMs = int(qBound(qint64(0), progressDelayMs_ - answered_.elapsed(), qint64(progressDelayMs_)));
    answered_.invalidate();
    auto progress = std::make_unique<QtProgress>(parent_, text, cancellable, delayMs);
    progress->setTitle(applicationTitle_);
    return progress;
}
