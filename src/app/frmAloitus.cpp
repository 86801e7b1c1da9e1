#include "app/frmAloitus.h"

#include "app/ElidedLabel.h"
#include "app/WrappingButton.h"

#include "operations/DatabaseChoice.h"
#include "db/DatabaseEngine.h"
#include "db/Failure.h"
#include "db/Reasons.h"
#include "dialogs/ClickGuard.h"
#include "dialogs/InputBlocker.h"
#include "operations/RegisterCleanups.h"
#include "operations/DeleteTable.h"
#include "operations/EmptyTable.h"
#include "operations/RegisterNames.h"
#include "operations/RenameTable.h"
#include "operations/SeriesSelection.h"
#include "seam/Dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <optional>

namespace {

// Positions are laid out in twips; 15 twips make one pixel at 96 dots per
// inch, and Qt scales logical pixels on denser screens.
constexpr int px(int twips) { return twips / 15; }

constexpr int kRebuildWaitMs = 300;

} // namespace

const QString frmAloitus::kTitle =
    QStringLiteral("LUMERI YRITYSOHJELMIEN taulukoiden poistaminen tai uudelleennimeäminen");

frmAloitus::frmAloitus(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frmAloitus"));
    setWindowTitle(kTitle);
    setFixedSize(px(12285), px(7980));
    // A small font, so that the long captions fit their buttons as laid out.
    QFont smaller = font();
    smaller.setPointSizeF(8);
    setFont(smaller);

    cmdSelaa_ = addButton("cmdSelaa", QStringLiteral("Valitse tietokanta ..."), 345, 105, 1830, 540);

    List1_ = new QListWidget(this);
    List1_->setObjectName(QStringLiteral("List1"));
    List1_->setGeometry(px(345), px(840), px(6495), px(6495));
    List1_->setSelectionMode(QAbstractItemView::SingleSelection);
    List1_->setSortingEnabled(false);
    // Every entry is one line in the same font: laying out thousands of names
    // then needs no measuring of each one.
    List1_->setUniformItemSizes(true);
    List1_->setAccessibleName(QStringLiteral("Tietokannan taulukot"));

    cmdPoista_ = addButton("cmdPoista", QStringLiteral("Poista taulukko"), 7050, 5760, 3870, 660);

    Label1_ = new ElidedLabel(this);
    Label1_->setObjectName(QStringLiteral("Label1"));
    Label1_->setGeometry(px(2400), px(240), px(4080), px(300));
    Label1_->setTextFormat(Qt::PlainText);

    cmdNimea_ = addButton("cmdNimea", QStringLiteral("Nimeä taulukko uudelleen"), 7050, 4980, 3870, 690);
    cmdLopeta_ = addButton("cmdLopeta", QStringLiteral("Lopeta"), 7050, 6570, 3870, 660);
    cmdPoistaTulorekisteriTaulut_ = addButton(
        "cmdPoistaTulorekisteriTaulut",
        QStringLiteral("Poista kaikki Tulorekisteri_ -alkuiset taulut\r\n(poistaa myös tulorekisterin perustiedot)"),
        7050, 870, 3870, 840);
    cmdP_ = addButton("cmdP", registerNames::kInitialSeriesCaption.toString(), 7050, 2850, 3870, 840);
    cmdPTN_ = addButton("cmdPTN",
                        QStringLiteral("Poista kaikki numeroidut Tulorekisteri_ taulut \r\n(säilytä perustiedot)"),
                        7050, 1875, 3870, 840);
    cmdTyhjenna_ = addButton("cmdTyhjenna", QStringLiteral("Tyhjennä taulukko (poista rivit)"), 7050, 4185, 3870,
                             540);

    // Tab order as laid out: the label takes no focus and is passed over.
    QWidget::setTabOrder(cmdSelaa_, List1_);
    QWidget::setTabOrder(List1_, cmdPoista_);
    QWidget::setTabOrder(cmdPoista_, cmdNimea_);
    QWidget::setTabOrder(cmdNimea_, cmdLopeta_);
    QWidget::setTabOrder(cmdLopeta_, cmdPoistaTulorekisteriTaulut_);
    QWidget::setTabOrder(cmdPoistaTulorekisteriTaulut_, cmdP_);
    QWidget::setTabOrder(cmdP_, cmdPTN_);
    QWidget::setTabOrder(cmdPTN_, cmdTyhjenna_);
    cmdSelaa_->setFocus();

    wire(cmdSelaa_, [this] { chooseDatabase(*this, dialogs_); }, OnFailure::KeepList);
    wire(cmdNimea_, [this] { renameSelectedTable(*this, dialogs_); }, OnFailure::RebuildList);
    wire(cmdPoista_, [this] { deleteSelectedTable(*this, dialogs_); }, OnFailure::RebuildList);
    wire(cmdTyhjenna_, [this] { emptySelectedTable(*this, dialogs_); }, OnFailure::KeepList);
    wire(cmdPoistaTulorekisteriTaulut_, [this] { deleteAllRegisterTables(*this, dialogs_); },
         OnFailure::RebuildList);
    wire(cmdPTN_, [this] { deleteNumberedRegisterTables(*this, dialogs_); }, OnFailure::RebuildList);
    wire(cmdP_, [this] { deleteSelectedSeries(*this, dialogs_); }, OnFailure::RebuildList);
    connect(List1_, &QListWidget::itemSelectionChanged, this,
            [this] { guarded([this] { selectSeries(*this); }, OnFailure::KeepList); });
    connect(cmdLopeta_, &QPushButton::clicked, qApp, &QCoreApplication::quit);
}

WrappingButton* frmAloitus::addButton(const char* objectName, const QString& caption, int left, int top, int width,
                                   int height)
{
    auto* button = new WrappingButton(this);
    button->setCaption(caption);
    button->setObjectName(QLatin1String(objectName));
    button->setGeometry(px(left), px(top), px(width), px(height));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void frmAloitus::wire(QPushButton* button, std::function<void()> operation, OnFailure onFailure)
{
    connect(button, &QPushButton::clicked, this,
            [this, operation = std::move(operation), onFailure] { guarded(operation, onFailure); });
}

namespace {

// Whether the list's failure has the cause the operation's failure told:
// another program's lock, or the same cause about the same file (a file
// deleted since it was chosen fails both alike). Where no cause is named,
// the reasons themselves must match.
bool sameCause(const Failure& operation, const Failure& list)
{
    if (reasons::lockedOut(operation) && reasons::lockedOut(list))
        return true;
    const bool sameReason = operation.cause() == list.cause()
                            && (operation.cause() != Failure::Cause::Other || operation.detail() == list.detail());
    return operation.file() == list.file() && sameReason && operation.whatFailed().endsWith(list.whatFailed());
}

} // namespace

// A failure is told in one box; after one part-way, the list is read again
// first, and a failure of that is told in the same box.
void frmAloitus::guarded(const std::function<void()>& operation, OnFailure onFailure)
{
    // One handler at a time: the window takes no input until this one has ended.
    const InputBlocker oneAtATime(this);
    const clickGuard::Caught failed = clickGuard::caught(operation);
    if (failed.message.isEmpty())
        return;
    QString message = failed.message;
    if (onFailure == OnFailure::RebuildList) {
        const clickGuard::Caught list = clickGuard::caught([this] { rebuildListAfterFailure(); });
        // The same cause is told once: the box gets one sentence more.
        if (failed.failure && list.failure && sameCause(*failed.failure, *list.failure))
            message = failed.failure
                          ->followedBy(QStringLiteral("Taulukkoluetteloa ei voitu päivittää samasta syystä, joten se ei "
                                                      "välttämättä vastaa tiedostoa."))
                          .message();
        else if (!list.message.isEmpty())
            message += QStringLiteral("\n\nTaulukkoluetteloa ei voitu päivittää, joten se ei välttämättä vastaa "
                                      "tiedostoa.\n")
                       + list.message;
    }
    dialogs_.inform(message);
}

// After a failure part-way, the list shows what the file really holds.
void frmAloitus::rebuildListAfterFailure()
{
    if (databasePath_.isEmpty())
        return;
    // The operation has just waited for another program as long as the
    // operator let it: the list waits only a moment, without a dialog.
    Database database = DatabaseEngine::instance().open(databasePath_, [](int elapsedMs) {
        return elapsedMs < kRebuildWaitMs;
    });
    RefreshTableList(database, *this);
}

QString frmAloitus::databasePath() const
{
    return databasePath_;
}

void frmAloitus::setDatabasePath(const QString& path)
{
    databasePath_ = path;
    Label1_->setText(path);
    // The label shows a long path shortened; the whole path is a pointer away.
    Label1_->setToolTip(path);
}

QString frmAloitus::selectedTableName() const
{
    const QList<QListWidgetItem*> selected = List1_->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void frmAloitus::showTableNames(const QStringList& names)
{
    // Rebuilding the list is no selection by the operator: the series button keeps its caption.
    const QSignalBlocker quiet(List1_);
    List1_->clear();
    List1_->addItems(names);
    List1_->clearSelection();
    List1_->setCurrentRow(-1);
}

QString frmAloitus::seriesPrefix() const
{
    return cmdP_->text();
}

void frmAloitus::setSeriesPrefix(const QString& caption)
{
    cmdP_->setCaption(caption);
    // An "&" in a table name must not give the series deletion a key of its own.
    cmdP_->setShortcut(QKeySequence());
}
