#pragma once

class Dialogs;
class RestoreView;

// Compacts the chosen database after a question (default No) that tells
// how much it would shrink; none is asked when it would not shrink. The
// list is read again before the closing box.
void compactChosenDatabase(RestoreView& view, Dialogs& dialogs);
