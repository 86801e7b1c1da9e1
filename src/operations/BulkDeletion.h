#pragma once

#include <QString>
#include <functional>

class Dialogs;
class MainView;

// The frame the register cleanups share: with a database chosen, ask Yes/No
// (Yes is the default), take the safety copy, open the database, delete every
// table whose name `doomed` picks, walking from the last catalogue entry
// down, and rebuild the list. No closing message.
void deleteTablesWhere(MainView& view, Dialogs& dialogs, const QString& question, const QString& title,
                       const std::function<bool(const QString&)>& doomed);
