#pragma once

#include <windows.h>

// The program from start to end. With no arguments it registers the main
// window class, creates and shows the main window, fills the drive list from
// discovery and the identify scan, and runs the message loop until the user
// closes the window; it returns 0 in every case, at once when the class or
// the main window cannot be created, before any drive is looked for.
// "/record DIR" records the drives' identify replies into DIR without any
// window and returns 0, or 2 when that fails. Other arguments are a usage
// error: one line on standard error when it is redirected, otherwise a
// message box, and 2.
int RunVestrel(HINSTANCE instance, const char* arguments = nullptr);
