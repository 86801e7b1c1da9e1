#pragma once

class Dialogs;
class MainView;

// Deletes every "Tulorekisteri_" table, the basic-data tables included.
void deleteAllRegisterTables(MainView& view, Dialogs& dialogs);
