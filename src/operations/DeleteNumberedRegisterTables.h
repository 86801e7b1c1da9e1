#pragma once

class Dialogs;
class MainView;

// Deletes the numbered "Tulorekisteri_" tables; the basic-data tables stay.
void deleteNumberedRegisterTables(MainView& view, Dialogs& dialogs);
