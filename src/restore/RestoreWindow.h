#pragma once

#include "copies/SafetyCopyList.h"

#include <QWidget>
#include <functional>

class Dialogs;
class QLabel;
class QPushButton;
class QTreeWidget;

// The window of the restore program: the safety copies of one chosen
// database, with restoring one of them and removing chosen ones. Each click
// runs inside one guard that shows a failure to the operator in one box.
class RestoreWindow : public QWidget {
    Q_OBJECT

public:
    static const QString kTitle;

    explicit RestoreWindow(Dialogs& dialogs, QWidget* parent = nullptr);

    QString databasePath() const { return databasePath_; }
    const QList<SafetyCopyEntry>& copies() const { return copies_; }

private:
    QPushButton* addButton(const char* objectName, const QString& caption);
    void wire(QPushButton* button, void (RestoreWindow::*operation)());
    void guarded(const std::function<void()>& operation);

    void chooseDatabase();
    void restoreSelected();
    void removeSelected();
    void showCopies();
    QString relist();
    QList<SafetyCopyEntry> selectedCopies() const;

    Dialogs& dialogs_;
    QString databasePath_;
    QList<SafetyCopyEntry> copies_;

    QLabel* path_;
    QTreeWidget* list_;
    QLabel* status_;
};
