#include "restore/RestoreWindow.h"

#include "copies/RemoveCopies.h"
#include "copies/RestoreCopy.h"
#include "dialogs/ClickGuard.h"
#include "restore/CopyRows.h"
#include "seam/Dialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

const QString RestoreWindow::kTitle = QStringLiteral("LUMERI YRITYSOHJELMIEN varmuuskopioiden palauttaminen");

RestoreWindow::RestoreWindow(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("RestoreWindow"));
    setWindowTitle(kTitle);
    resize(760, 460);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    QPushButton* choose = addButton("cmdSelaa", QStringLiteral("Valitse tietokanta ..."));
    top->addWidget(choose);
    path_ = new QLabel(this);
    path_->setObjectName(QStringLiteral("lblTietokanta"));
    path_->setTextFormat(Qt::PlainText);
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(path_, 1);
    layout->addLayout(top);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("lstKopiot"));
    list_->setAccessibleName(QStringLiteral("Varmuuskopiot"));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels(copyRows::headers());
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(true);
    layout->addWidget(list_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("lblTila"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    layout->addWidget(status_);

    auto* bottom = new QHBoxLayout;
    QPushButton* restore = addButton("cmdPalauta", QStringLiteral("Palauta valittu kopio"));
    QPushButton* remove = addButton("cmdPoista", QStringLiteral("Poista valitut kopiot"));
    QPushButton* quit = addButton("cmdLopeta", QStringLiteral("Lopeta"));
    bottom->addWidget(restore);
    bottom->addWidget(remove);
    bottom->addStretch(1);
    bottom->addWidget(quit);
    layout->addLayout(bottom);

    wire(choose, &RestoreWindow::chooseDatabase);
    wire(restore, &RestoreWindow::restoreSelected);
    wire(remove, &RestoreWindow::removeSelected);
    connect(quit, &QPushButton::clicked, qApp, &QCoreApplication::quit);
    showCopies();
    choose->setFocus();
}

QPushButton* RestoreWindow::addButton(const char* objectName, const QString& caption)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    return button;
}

void RestoreWindow::wire(QPushButton* button, void (RestoreWindow::*operation)())
{
    connect(button, &QPushButton::clicked, this,
            [this, operation] { guarded([this, operation] { (this->*operation)(); }); });
}

// A failure is told in one box; then the list shows the folder as it now is.
void RestoreWindow::guarded(const std::function<void()>& operation)
{
    const QString message = clickGuard::failureOf(operation);
    if (message.isEmpty())
        return;
    dialogs_.inform(message);
    if (databasePath_.isEmpty())
        return;
    if (const QString listFailure = relist(); !listFailure.isEmpty())
        dialogs_.inform(listFailure);
    showCopies();
}

// Reads the copies beside the database again; empty when that worked,
// otherwise what the operator is told of it, with the list emptied.
QString RestoreWindow::relist()
{
    const QString failure = clickGuard::failureOf([this] { copies_ = findSafetyCopies(databasePath_); });
    if (failure.isEmpty())
        return {};
    copies_.clear();
    return QStringLiteral("Varmuuskopioiden luetteloa ei voitu päivittää.\n\n") + failure;
}

void RestoreWindow::chooseDatabase()
{
    const QString path = dialogs_.chooseFileToOpen({
        QStringLiteral("Minkä tietokannan varmuuskopiot näytetään?"),
        databasePath_.isEmpty() ? QCoreApplication::applicationDirPath() : QFileInfo(databasePath_).absolutePath(),
        QStringLiteral("Lumerin tietokannat (*.w*)"),
    });
    if (path.isEmpty())
        return;
    const BusyPointer busy(dialogs_);
    QList<SafetyCopyEntry> found = findSafetyCopies(path);
    databasePath_ = path;
    copies_ = std::move(found);
    showCopies();
}

QList<SafetyCopyEntry> RestoreWindow::selectedCopies() const
{
    QList<SafetyCopyEntry> chosen;
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        if (list_->topLevelItem(row)->isSelected())
            chosen.append(copies_.at(row));
    return chosen;
}

void RestoreWindow::restoreSelected()
{
    const QList<SafetyCopyEntry> chosen = selectedCopies();
    if (chosen.size() != 1) {
        dialogs_.inform(QStringLiteral("Valitse luettelosta yksi palautettava varmuuskopio."));
        return;
    }
    const SafetyCopyEntry& copy = chosen.first();
    const QString question = QStringLiteral("Palautetaanko tietokantaan\n") + databasePath_
                             + QStringLiteral("\nvarmuuskopio\n") + copy.path + QStringLiteral("\notettu ")
                             + copyRows::moment(copy)
                             + QStringLiteral("\n\nTietokannan nykyinen sisältö korvataan varmuuskopion sisällöllä. "
                                              "Nykyisestä tilasta otetaan ensin varmuuskopio. Sulje Lumeri-ohjelmat "
                                              "ennen palauttamista.");
    if (!dialogs_.confirm(question, QStringLiteral("Varmuuskopion palauttaminen"), Dialogs::DefaultAnswer::No))
        return;

    QString before;
    {
        const BusyPointer busy(dialogs_);
        const auto progress = dialogs_.startProgress(QStringLiteral("Palautetaan varmuuskopiota ..."), false);
        before = restoreSafetyCopy(databasePath_, copy.path, [&progress] { progress->advance(0, 0); });
    }
    // The restore is done: a list that cannot be read again does not unsay it.
    const QString listFailure = relist();
    showCopies();
    QString told = QStringLiteral("Palautettu!\n\nTietokanta sellaisena kuin se oli ennen palautusta on tallessa "
                                  "tiedostossa\n")
                   + before;
    if (!listFailure.isEmpty())
        told += QStringLiteral("\n\n") + listFailure;
    dialogs_.inform(told);
}

void RestoreWindow::removeSelected()
{
    const QList<SafetyCopyEntry> chosen = selectedCopies();
    if (chosen.isEmpty()) {
        dialogs_.inform(QStringLiteral("Valitse luettelosta poistettavat varmuuskopiot."));
        return;
    }
    QStringList paths;
    for (const SafetyCopyEntry& copy : chosen)
        paths.append(copy.path);
    const QString question = QStringLiteral("Poistetaanko %1 varmuuskopiota?\n").arg(paths.size())
                             + paths.join(QLatin1Char('\n'));
    if (!dialogs_.confirm(question, QStringLiteral("Varmuuskopioiden poistaminen"), Dialogs::DefaultAnswer::No))
        return;

    const int removed = removeSafetyCopies(databasePath_, paths);
    const QString listFailure = relist();
    showCopies();
    QString told = QStringLiteral("Poistettu %1 varmuuskopiota.").arg(removed);
    if (!listFailure.isEmpty())
        told += QStringLiteral("\n\n") + listFailure;
    dialogs_.inform(told);
}

void RestoreWindow::showCopies()
{
    path_->setText(databasePath_);
    path_->setToolTip(databasePath_);
    list_->clear();
    for (const SafetyCopyEntry& copy : copies_) {
        auto* item = new QTreeWidgetItem(list_, copyRows::columns(copy));
        item->setToolTip(2, copy.problem);
        item->setToolTip(3, copy.path);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (databasePath_.isEmpty())
        status_->setText(QStringLiteral("Valitse tietokanta, jonka varmuuskopiot näytetään."));
    else if (copies_.isEmpty())
        status_->setText(QStringLiteral("Tietokannan kansiossa ei ole sen varmuuskopioita."));
    else
        status_->setText(QStringLiteral("Varmuuskopioita %1, uusin ensin.").arg(copies_.size()));
}
