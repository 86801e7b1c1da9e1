#pragma once

class Dialogs;
class MainView;

// Deletes every row of the selected table after a Yes; the table stays.
// Takes no safety copy and leaves the list as it is.
void emptySelectedTable(MainView& view, Dialogs& dialogs);
