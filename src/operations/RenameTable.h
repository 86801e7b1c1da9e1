#pragma once

class Dialogs;
class MainView;

// Gives the selected table the name the operator types, as the engine
// renames a table: it keeps its definition, rows, indexes, triggers and
// place in the list, and what refers to it follows the new name.
void renameSelectedTable(MainView& view, Dialogs& dialogs);
