#pragma once

#include <QString>

class Database;
class Dialogs;

// The safety copy every change of tables begins with, taken through
// `database`, which holds the write lock, while the operator sees that it
// runs ("Otetaan varmuuskopiota ..."). Returns the copy's path.
QString copyBeforeChange(Database& database, Dialogs& dialogs);

// The line under a closing box that tells where the copy went.
QString copyLocation(const QString& copyPath);
