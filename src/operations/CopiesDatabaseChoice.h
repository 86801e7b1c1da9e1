#pragma once

class Dialogs;
class RestoreView;

// The restore program's database choice: the operator picks a file, whose
// safety copies are then listed. The file is not opened here; the listing
// tells what it finds.
void chooseCopiesDatabase(RestoreView& view, Dialogs& dialogs);
