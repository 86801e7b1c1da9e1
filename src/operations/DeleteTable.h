#pragma once

class Dialogs;
class MainView;

// Deletes the selected table after a Yes, with a safety copy taken first.
void deleteSelectedTable(MainView& view, Dialogs& dialogs);
