#pragma once

class Dialogs;
class MainView;

// The three cleanups of the Incomes Register tables, each a question and a
// walk of deleteTablesWhere (BulkDeletion.h) with its own rule for a name.

// Deletes every "Tulorekisteri_" table, the basic-data tables included.
void deleteAllRegisterTables(MainView& view, Dialogs& dialogs);

// Deletes the numbered "Tulorekisteri_" tables; the basic-data tables stay.
void deleteNumberedRegisterTables(MainView& view, Dialogs& dialogs);

// Deletes every table whose name begins with the series prefix on the
// series button, after a Yes and a safety copy.
void deleteSelectedSeries(MainView& view, Dialogs& dialogs);
