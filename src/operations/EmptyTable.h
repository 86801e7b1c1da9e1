#pragma once

class Dialogs;
class MainView;

// Deletes every row of the selected table after a Yes; the table stays and
// the list is left as it is. The engine carries out what other tables' keys
// and the table's triggers declare, which the question tells first; a safety
// copy is taken only when that reaches rows of other tables.
void emptySelectedTable(MainView& view, Dialogs& dialogs);
