#pragma once

#include <QIdentityProxyModel>

// The file dialog's columns in Finnish whatever the machine's locale: Qt
// writes sizes and dates in the system's locale and leaves the type of a
// folder untranslated, so these three columns are written here anew. Sorting
// stays the file system model's own.
class FinnishFileColumns : public QIdentityProxyModel {
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override;
};
