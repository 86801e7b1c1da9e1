#pragma once

#include "seam/MainView.h"

#include <QWidget>
#include <functional>

class Dialogs;
class QLabel;
class QListWidget;
class QPushButton;
class ElidedLabel;
class WrappingButton;

// The one window. It holds the current database and wires each click to its
// operation inside one guard, so that no failure ends the program.
class frmAloitus : public QWidget, public MainView {
    Q_OBJECT

public:
    static const QString kTitle;

    explicit frmAloitus(Dialogs& dialogs, QWidget* parent = nullptr);

    QString databasePath() const override;
    void setDatabasePath(const QString& path) override;
    QString selectedTableName() const override;
    void showTableNames(const QStringList& names) override;
    QString seriesPrefix() const override;
    void setSeriesPrefix(const QString& caption) override;

private:
    enum class OnFailure { KeepList, RebuildList };

    WrappingButton* addButton(const char* objectName, const QString& caption, int left, int top, int width,
                           int height);
    void wire(QPushButton* button, std::function<void()> operation, OnFailure onFailure);
    void guarded(const std::function<void()>& operation, OnFailure onFailure);
    void rebuildListAfterFailure();

    Dialogs& dialogs_;
    QString databasePath_;

    QPushButton* cmdSelaa_;
    QListWidget* List1_;
    QPushButton* cmdPoista_;
    ElidedLabel* Label1_;
    QPushButton* cmdNimea_;
    QPushButton* cmdLopeta_;
    QPushButton* cmdPoistaTulorekisteriTaulut_;
    WrappingButton* cmdP_;
    QPushButton* cmdPTN_;
    QPushButton* cmdTyhjenna_;
};
