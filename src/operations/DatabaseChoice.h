#pragma once

class Database;
class Dialogs;
class MainView;

// Clears the table list and adds every catalogue entry's name in catalogue
// order, from a database the caller opened.
void RefreshTableList(Database& database, MainView& view);

// The database choice: the operator picks a file, which becomes the current
// database when it opens as one, and its tables fill the list.
void chooseDatabase(MainView& view, Dialogs& dialogs);
