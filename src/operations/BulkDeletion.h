#pragma once

#include <QString>
#include <functional>

class Dialogs;
class MainView;

// The frame the register cleanups share: with a database chosen, open it and
// ask Yes/No (Yes is the default) with a line that tells how many tables the
// walk would delete, take the safety copy, delete every table whose name
// `doomed` picks, walking from the last catalogue entry down and committing
// in short batches (DeletionBatches), and rebuild the list. No closing
// message. When nothing is left to delete once the file is locked, no copy
// is taken and the file stays as it was.
void deleteTablesWhere(MainView& view, Dialogs& dialogs, const QString& question, const QString& title,
                       const std::function<bool(const QString&)>& doomed);
