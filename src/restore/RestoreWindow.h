#pragma once

#include "seam/RestoreView.h"

#include <QWidget>
#include <functional>

class CopyListing;
class Dialogs;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The window of the restore program: the safety copies of one chosen
// database, listed in the background. Each click runs its operation inside
// one guard that shows a failure to the operator in one box.
class RestoreWindow : public QWidget, public RestoreView {
    Q_OBJECT

public:
    static const QString kTitle;
    // The title of its boxes and progress, not the table tool's.
    static const QString kApplicationTitle;

    explicit RestoreWindow(Dialogs& dialogs, QWidget* parent = nullptr);

    QString databasePath() const override { return databasePath_; }
    void setDatabasePath(const QString& path) override { databasePath_ = path; }
    const QList<SafetyCopyEntry>& copies() const override { return copies_; }
    QList<SafetyCopyEntry> selectedCopies() const override;
    bool listing() const override;
    void listCopies() override;
    void stopListing() override;

private:
    QPushButton* addButton(const char* objectName, const QString& caption);
    void wire(QPushButton* button, void (*operation)(RestoreView&, Dialogs&));
    void guarded(const std::function<void()>& operation);

    void showCopies();
    void showListed(const QList<SafetyCopyEntry>& copies);
    void showListingFailed(const QString& reason);
    void showCopyRead(const SafetyCopyEntry& copy);
    void showComparison(const QString& copyPath, const QStringList& bringsBack, const QStringList& removes);
    void showUnreadable(const QString& copyPath, const QString& reason);
    int rowOf(const QString& copyPath) const;

    Dialogs& dialogs_;
    QString databasePath_;
    QList<SafetyCopyEntry> copies_;

    QLabel* path_;
    QTreeWidget* list_;
    QLabel* room_;
    QLabel* status_;
    CopyListing* listing_;
};
