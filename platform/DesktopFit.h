// Windows at home on any desktop: controls that show their whole texts in
// the desktop's font, and date and time boxes that Tab leaves at once.
#pragma once

class QWidget;

// Call once a window's controls are made. Where the window's own sizes are
// too small for a text in the desktop's font, the window grows: a window
// laid out at fixed places grows as a whole, by as much as its tightest
// control needs, in each direction (pictures keep their size); in a
// window laid out by layouts, the controls of fixed size grow and the
// window with them. The sizes given are always the least. Its date and
// time boxes step through their sections with the arrow keys, and one Tab
// or Shift+Tab leaves them.
void FitToDesktop(QWidget* window);
