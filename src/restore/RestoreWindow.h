#pragma once

#include "copies/SafetyCopyList.h"

#include <QWidget>
#include <functional>

class CopyListing;
class Dialogs;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The window of the restore program: the safety copies of one chosen
// database, with restoring one of them and removing chosen ones. Each click
// runs inside one guard that shows a failure to the operator in one box.
class RestoreWindow : public QWidget {
    Q_OBJECT

public:
    static const QString kTitle;
    // The title of its boxes and progress, not the table tool's.
    static const QString kApplicationTitle;

    explicit RestoreWindow(Dialogs& dialogs, QWidget* parent = nullptr);

    QString databasePath() const { return databasePath_; }
    const QList<SafetyCopyEntry>& copies() const { return copies_; }
    // Whether the copies are still being listed or compared with the database.
    bool listing() const;

private:
    QPushButton* addButton(const char* objectName, const QString& caption);
    void wire(QPushButton* button, void (RestoreWindow::*operation)());
    void guarded(const std::function<void()>& operation);

    void chooseDatabase();
    void restoreSelected();
    void removeSelected();
    void removeAllButNewest();
    void compactDatabase();
    void listCopies();
    void showCopies();
    void showListed(const QList<SafetyCopyEntry>& copies);
    void showListingFailed(const QString& reason);
    void showCopyRead(const SafetyCopyEntry& copy);
    void showComparison(const QString& copyPath, const QStringList& bringsBack, const QStringList& removes);
    void showUnreadable(const QString& copyPath, const QString& reason);
    int rowOf(const QString& copyPath) const;
    QList<SafetyCopyEntry> selectedCopies() const;

    Dialogs& dialogs_;
    QString databasePath_;
    QList<SafetyCopyEntry> copies_;

    QLabel* path_;
    QTreeWidget* list_;
    QLabel* room_;
    QLabel* status_;
    CopyListing* listing_;
};
