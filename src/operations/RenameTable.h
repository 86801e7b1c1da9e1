#pragma once

class Dialogs;
class MainView;

// Gives the selected table the name the operator types: the table is copied,
// rows included, under the new name, and then the old one is deleted.
void renameSelectedTable(MainView& view, Dialogs& dialogs);
