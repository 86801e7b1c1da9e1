#include "restore/RestoreWindow.h"

#include "copies/Compaction.h"
#include "copies/DiskRoom.h"
#include "copies/RemoveCopies.h"
#include "copies/RestoreCopy.h"
#include "dialogs/ClickGuard.h"
#include "dialogs/InputBlocker.h"
#include "operations/StartFolder.h"
#include "operations/WaitingDialogs.h"
#include "restore/CopyListing.h"
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

namespace {

// The progress of long work, shown from the work's first report on, so that
// a wait for another program's lock before it has the wait's own dialog.
class LateProgress {
public:
    LateProgress(Dialogs& dialogs, QString text) : dialogs_(dialogs), text_(std::move(text)) {}

    void report()
    {
        if (!progress_)
            progress_ = dialogs_.startProgress(text_, false);
        progress_->advance(0, 0);
    }

private:
    Dialogs& dialogs_;
    const QString text_;
    std::unique_ptr<Progress> progress_;
};

} // namespace

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

    wire(choose, &RestoreWindow::chooseDatabase);
    wire(restore, &RestoreWindow::restoreSelected);
    wire(remove, &RestoreWindow::removeSelected);
    wire(removeOlder, &RestoreWindow::removeAllButNewest);
    wire(compact, &RestoreWindow::compactDatabase);
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

void RestoreWindow::wire(QPushButton* button, void (RestoreWindow::*operation)())
{
    connect(button, &QPushButton::clicked, this,
            [this, operation] { guarded([this, operation] { (this->*operation)(); }); });
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

void RestoreWindow::chooseDatabase()
{
    const QString path = dialogs_.chooseFileToOpen({
        QStringLiteral("Minkä tietokannan varmuuskopiot näytetään?"),
        startFolder(databasePath_),
        QStringLiteral("Lumerin tietokannat (*.w*)"),
    });
    if (path.isEmpty())
        return;
    databasePath_ = path;
    listCopies();
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
    listing_->stop();
    {
        const BusyPointer busy(dialogs_);
        WaitingDialogs waiting(dialogs_);
        waiting.setNotDone(QStringLiteral("Varmuuskopiota ei palautettu"));
        waiting.run([&] {
            LateProgress progress(waiting, QStringLiteral("Palautetaan varmuuskopiota ..."));
            before = restoreSafetyCopy(databasePath_, copy.path, [&progress] { progress.report(); },
                                       waiting.keepWaiting());
        });
    }
    listCopies();
    dialogs_.inform(QStringLiteral("Palautettu!\n\nTietokanta sellaisena kuin se oli ennen palautusta on tallessa "
                                   "tiedostossa\n")
                    + before);
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
    listCopies();
    dialogs_.inform(QStringLiteral("Poistettu %1 varmuuskopiota.").arg(removed));
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

void RestoreWindow::removeAllButNewest()
{
    if (databasePath_.isEmpty()) {
        dialogs_.inform(QStringLiteral("Valitse ensin tietokanta, jonka varmuuskopiot poistetaan."));
        return;
    }
    // Only copies listed as older than the one kept go: one taken since the
    // list was read is newer still, and stays too.
    const QList<SafetyCopyEntry> older = diskRoom::allButNewest(copies_);
    if (older.isEmpty()) {
        dialogs_.inform(copies_.isEmpty() && listing()
                            ? QStringLiteral("Varmuuskopioita luetaan vielä; yritä hetken kuluttua uudelleen.")
                            : QStringLiteral("Tietokannalla ei ole muita varmuuskopioita kuin uusin."));
        return;
    }
    QStringList paths;
    for (const SafetyCopyEntry& copy : older)
        paths.append(copy.path);
    const QString freed = diskRoom::size(diskRoom::totalSize(older));
    const SafetyCopyEntry& newest = copies_.first();
    const QString question =
        (older.size() == 1 ? QStringLiteral("Poistetaanko 1 varmuuskopio? Levyltä vapautuu %2.")
                           : QStringLiteral("Poistetaanko %1 varmuuskopiota? Levyltä vapautuu %2."))
            .arg(copyRows::count(older.size()), freed)
        + QStringLiteral("\n\nVain uusin varmuuskopio jää, otettu ") + copyRows::moment(newest) + QLatin1Char('\n')
        + newest.path;
    if (!dialogs_.confirm(question, QStringLiteral("Varmuuskopioiden poistaminen"), Dialogs::DefaultAnswer::No))
        return;

    const CopyRemoval removal = removeEachSafetyCopy(databasePath_, paths);
    listCopies();
    QList<SafetyCopyEntry> gone;
    for (const SafetyCopyEntry& copy : older)
        if (removal.removed.contains(copy.path))
            gone.append(copy);
    const QString freedNow = diskRoom::size(diskRoom::totalSize(gone));
    if (removal.left.isEmpty()) {
        dialogs_.inform(QStringLiteral("Poistettu %1 varmuuskopiota; levyltä vapautui %2.").arg(gone.size()).arg(freedNow));
        return;
    }
    QStringList left;
    for (qsizetype i = 0; i < removal.left.size(); ++i)
        left.append(removal.left.at(i) + QStringLiteral(" (") + removal.reasons.at(i) + QLatin1Char(')'));
    dialogs_.inform(QStringLiteral("Poistettu %1 / %2 varmuuskopiota; levyltä vapautui %3.\n\nNäitä varmuuskopioita ei "
                                   "voitu poistaa:\n")
                        .arg(gone.size())
                        .arg(older.size())
                        .arg(freedNow)
                    + left.join(QLatin1Char('\n')));
}

void RestoreWindow::compactDatabase()
{
    if (databasePath_.isEmpty()) {
        dialogs_.inform(QStringLiteral("Valitse ensin tietokanta, joka tiivistetään."));
        return;
    }
    WaitingDialogs waiting(dialogs_);
    waiting.setNotDone(QStringLiteral("Tietokantaa ei tiivistetty"));
    CompactionEstimate estimate;
    {
        const BusyPointer busy(dialogs_);
        waiting.run([&] { estimate = estimateCompaction(databasePath_, waiting.keepWaiting()); });
    }
    if (estimate.freeBytes == 0) {
        dialogs_.inform(QStringLiteral("Tietokannassa ei ole vapaata tilaa, joten tiivistäminen ei pienentäisi "
                                       "sitä."));
        return;
    }
    const QString question = QStringLiteral("Tiivistetäänkö tietokanta\n") + databasePath_
                             + QStringLiteral("?\n\nTiedosto vie nyt %1; tiivistäminen pienentää sitä %2 %3. "
                                              "Taulukot ja niiden tiedot säilyvät ennallaan.\n\nSulje Lumeri-ohjelmat "
                                              "ennen tiivistämistä.")
                                   .arg(diskRoom::size(estimate.fileBytes),
                                        estimate.atLeast ? QStringLiteral("vähintään") : QStringLiteral("noin"),
                                        diskRoom::size(estimate.freeBytes));
    if (!dialogs_.confirm(question, QStringLiteral("Tietokannan tiivistäminen"), Dialogs::DefaultAnswer::No))
        return;

    // The comparison's brief look at the database must not hold up the lock.
    listing_->stop();
    qint64 after = 0;
    {
        const BusyPointer busy(dialogs_);
        waiting.run([&] {
            LateProgress progress(waiting, QStringLiteral("Tiivistetään tietokantaa ..."));
            after = ::compactDatabase(databasePath_, [&progress] { progress.report(); }, waiting.keepWaiting());
        });
    }
    listCopies();
    dialogs_.inform(QStringLiteral("Tiivistetty!\n\nTiedosto vie nyt %1, ennen %2.")
                        .arg(diskRoom::size(after), diskRoom::size(estimate.fileBytes)));
}
