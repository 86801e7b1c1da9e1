#pragma once

class Dialogs;
class RestoreView;

// Removes the selected safety copies after a question (default No) that
// names them; the list is read again before the closing box.
void removeSelectedCopies(RestoreView& view, Dialogs& dialogs);
