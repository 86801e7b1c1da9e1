#pragma once

class Dialogs;
class RestoreView;

// Puts the one selected safety copy in place of the database after a
// question (default No); the database as it stood is kept as a new copy,
// whose path the closing box names. The list is read again before that box.
void restoreSelectedCopy(RestoreView& view, Dialogs& dialogs);
