#pragma once

#include <windows.h>

// The program from start to end: registers the main window class, creates
// and shows the main window, fills the drive list from discovery and the
// identify scan, and runs the message loop until the user closes the window.
// Returns 0 in every case; when the class or the main window cannot be
// created it returns at once, before any drive is looked for.
int RunVestrel(HINSTANCE instance);
