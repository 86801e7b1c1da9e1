#pragma once

#include "operations/RegisterNames.h"
#include "operations/SeriesSelection.h"
#include "seam/MainView.h"

#include <QTest>
#include <QtTest/qtestassert.h>

// The main window as its operations see it, without widgets: the table list
// and the series button's caption as plain values. A selection made with
// select() updates the caption as the window's list does.
class TableListView : public MainView {
public:
    QString databasePath() const override { return path_; }
    void setDatabasePath(const QString& path) override { path_ = path; }
    QString selectedTableName() const override { return selected_; }
    void showTableNames(const QStringList& names) override
    {
        listed_ = names;
        selected_.clear();
    }
    QString seriesPrefix() const override { return caption_; }
    void setSeriesPrefix(const QString& caption) override { caption_ = caption; }

    void select(const QString& name)
    {
        QTEST_ASSERT(listed_.contains(name));
        selected_ = name;
        selectSeries(*this);
    }
    const QStringList& listed() const { return listed_; }

private:
    QString path_;
    QStringList listed_;
    QString selected_;
    QString caption_ = registerNames::kInitialSeriesCaption.toString();
};
