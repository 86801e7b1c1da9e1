#pragma once

class QLabel;

// A box's label breaks a path after each "/", but a folder name wider than
// the box runs past its edge, cut off. A path with such a folder has its
// folder part shortened in the middle instead, so that the file name, what
// the operator looks for, stays whole and in sight. The whole text is then
// the label's tooltip and the name a screen reader reads. Any other text is
// left as it is.
void elideLongPaths(QLabel& label);
