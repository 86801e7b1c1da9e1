#pragma once

#include <QString>

// The folder the file dialog opens in: the current database's folder once
// one is chosen; before that the program's own folder when a database lies
// there (as the example database does beside the built program); otherwise
// the operator's home folder, since an installed program's folder is of no
// use. A folder that is gone is passed over.
QString startFolder(const QString& databasePath, const QString& programFolder, const QString& homeFolder);

// The same with this program's folder and the operator's home folder.
QString startFolder(const QString& databasePath);
