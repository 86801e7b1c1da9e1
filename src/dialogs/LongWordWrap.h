#pragma once

class QMessageBox;

// A box's label wraps only between words, so a long table name without
// spaces would run past the box's edge and be cut. When the text holds such
// a word, it is shown instead by a read-only text view that also breaks
// inside a word. Only the layout changes: the box's text() stays the same.
void wrapLongWords(QMessageBox& box);
