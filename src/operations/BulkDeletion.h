#pragma once

#include <QString>
#include <functional>

class Dialogs;
class MainView;

// The frame the register cleanups share: with a database chosen, open it and
// ask Yes/No (Yes is the default) with a line that tells how many tables the
// walk would delete, take the safety copy, delete every table whose name
// `doomed` picks, walking from the last catalogue entry down, and rebuild the
// list. No closing message.
void deleteTablesWhere(MainView& view, Dialogs& dialogs, const QString& question, const QString& title,
                       const std::function<bool(const QString&)>& doomed);
