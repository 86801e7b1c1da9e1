#pragma once

class Dialogs;
class MainView;

// Deletes every table whose name begins with the series prefix on the
// series button, after a Yes and a safety copy.
void deleteSelectedSeries(MainView& view, Dialogs& dialogs);
