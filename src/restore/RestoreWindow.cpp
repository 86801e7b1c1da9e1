#include "restore/RestoreWindow.h"

#include "copies/DiskRoom.h"
#include "dialogs/ClickGuard.h"
#include "dialogs/InputBlocker.h"
#include "operations/CompactDatabase.h"
#include "operations/CopiesDatabaseChoice.h"
#include "operations/CopyRows.h"
#include "operations/RemoveOlderCopies.h"
#include "operations/RemoveSelectedCopies.h"
#include "operations/RestoreSelected.h"
#include "restore/CopyListing.h"
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
const QString RestoreWindow::kApplicationTitle = QStringLiteral("Lumeri-varmuuskopiot");

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

    room_ = new QLabel(this);
    room_->setObjectName(QStringLiteral("lblTilaa"));
    room_->setTextFormat(Qt::PlainText);
    layout->addWidget(room_);

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
    QPushButton* removeOlder = addButton("cmdPoistaVanhat", QStringLiteral("Poista kaikki paitsi uusin"));
    QPushButton* compact = addButton("cmdTiivista", QStringLiteral("Tiivistä tietokanta"));
    bottom->addWidget(removeOlder);
    bottom->addWidget(compact);
    bottom->addStretch(1);
    bottom->addWidget(quit);
    layout->addLayout(bottom);

    wire(choose, &chooseCopiesDatabase);
    wire(restore, &restoreSelectedCopy);
    wire(remove, &removeSelectedCopies);
    wire(removeOlder, &removeAllButNewestCopy);
    wire(compact, &compactChosenDatabase);
    listing_ = new CopyListing(this);
    connect(listing_, &CopyListing::listed, this, &RestoreWindow::showListed);
    connect(listing_, &CopyListing::listingFailed, this, &RestoreWindow::showListingFailed);
    connect(listing_, &CopyListing::copyRead, this, &RestoreWindow::showCopyRead);
    connect(listing_, &CopyListing::compared, this, &RestoreWindow::showComparison);
    connect(listing_, &CopyListing::unreadable, this, &RestoreWindow::showUnreadable);
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

void RestoreWindow::wire(QPushButton* button, void (*operation)(RestoreView&, Dialogs&))
{
    connect(button, &QPushButton::clicked, this,
            [this, operation] { guarded([this, operation] { operation(*this, dialogs_); }); });
}

// A failure is told in one box; then the list shows the folder as it now is.
void RestoreWindow::guarded(const std::function<void()>& operation)
{
    // One handler at a time: the window takes no input until this one has ended.
    const InputBlocker oneAtATime(this);
    const QString message = clickGuard::failureOf(operation);
    if (message.isEmpty())
        return;
    // The list under the box already shows the folder as the failure left it.
    if (!databasePath_.isEmpty())
        listCopies();
    dialogs_.inform(message);
}

QList<SafetyCopyEntry> RestoreWindow::selectedCopies() const
{
    QList<SafetyCopyEntry> chosen;
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        if (list_->topLevelItem(row)->isSelected())
            chosen.append(copies_.at(row));
    return chosen;
}

void RestoreWindow::showCopies()
{
    path_->setText(databasePath_);
    path_->setToolTip(databasePath_);
    list_->clear();
    for (const SafetyCopyEntry& copy : copies_) {
        auto* item = new QTreeWidgetItem(list_, copyRows::columns(copy));
        item->setToolTip(copyRows::TablesColumn, copy.problem);
        item->setToolTip(copyRows::FileColumn, copy.path);
        for (const int column : {copyRows::SizeColumn, copyRows::TablesColumn, copyRows::BringsBackColumn,
                                 copyRows::RemovesColumn})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    // Painted anew as a whole: rows of copies gone must not linger on screen.
    list_->doItemsLayout();
    list_->viewport()->update();
    room_->setText(databasePath_.isEmpty() || (copies_.isEmpty() && listing())
                       ? QString()
                       : diskRoom::roomLine(copies_, diskRoom::freeBytes(QFileInfo(databasePath_).absolutePath())));
    if (databasePath_.isEmpty())
        status_->setText(QStringLiteral("Valitse tietokanta, jonka varmuuskopiot näytetään."));
    else if (copies_.isEmpty() && listing())
        status_->setText(QStringLiteral("Luetaan varmuuskopioita ..."));
    else if (copies_.isEmpty())
        status_->setText(QStringLiteral("Tietokannan kansiossa ei ole sen varmuuskopioita."));
    else
        status_->setText(QStringLiteral("Varmuuskopioita %1, uusin ensin.").arg(copies_.size()));
}

bool RestoreWindow::listing() const
{
    return listing_->isReading();
}

// The folder is read anew away from the window; the list fills when it has been.
void RestoreWindow::listCopies()
{
    copies_.clear();
    listing_->start(databasePath_);
    showCopies();
}

void RestoreWindow::stopListing()
{
    listing_->stop();
}

void RestoreWindow::showListed(const QList<SafetyCopyEntry>& copies)
{
    copies_ = copies;
    showCopies();
}

void RestoreWindow::showListingFailed(const QString& reason)
{
    copies_.clear();
    showCopies();
    status_->setText(QStringLiteral("Varmuuskopioiden luetteloa ei voitu lukea.\n") + reason);
}

int RestoreWindow::rowOf(const QString& copyPath) const
{
    for (int row = 0; row < copies_.size() && row < list_->topLevelItemCount(); ++row)
        if (copies_.at(row).path == copyPath)
            return row;
    return -1;
}

void RestoreWindow::showCopyRead(const SafetyCopyEntry& copy)
{
    const int row = rowOf(copy.path);
    if (row < 0)
        return;
    copies_[row] = copy;
    QTreeWidgetItem* item = list_->topLevelItem(row);
    item->setText(copyRows::TablesColumn, copyRows::columns(copy).at(copyRows::TablesColumn));
    item->setToolTip(copyRows::TablesColumn, copy.problem);
}

void RestoreWindow::showComparison(const QString& copyPath, const QStringList& bringsBack, const QStringList& removes)
{
    const int row = rowOf(copyPath);
    if (row < 0)
        return;
    QTreeWidgetItem* item = list_->topLevelItem(row);
    item->setText(copyRows::BringsBackColumn, copyRows::count(bringsBack.size()));
    item->setToolTip(copyRows::BringsBackColumn, copyRows::bringsBackTip(bringsBack));
    item->setText(copyRows::RemovesColumn, copyRows::count(removes.size()));
    item->setToolTip(copyRows::RemovesColumn, copyRows::removesTip(removes));
}

void RestoreWindow::showUnreadable(const QString& copyPath, const QString& reason)
{
    const int row = rowOf(copyPath);
    if (row < 0)
        return;
    QTreeWidgetItem* item = list_->topLevelItem(row);
    for (const int column : {copyRows::BringsBackColumn, copyRows::RemovesColumn}) {
        item->setText(column, QStringLiteral("ei luettavissa"));
        item->setToolTip(column, reason);
    }
}
