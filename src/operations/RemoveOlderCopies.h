#pragma once

class Dialogs;
class RestoreView;

// Removes every listed safety copy but the newest, after a question
// (default No) that names how many go and the room that frees. A copy that
// cannot be removed does not stop the rest; the closing box names each one
// left and why. The list is read again before that box.
void removeAllButNewestCopy(RestoreView& view, Dialogs& dialogs);
