#pragma once

#include "app/program_state.h"

#include <windows.h>

// Registers the main window class for g_hInstance. Returns 0 on failure.
ATOM RegisterMainWindowClass();

// Creates the fixed-size main window with its three buttons (not shown yet).
// Returns null on failure.
HWND CreateMainWindow();

// Binds the program to the list-view class of the common controls.
void InitListViewControls();

// Dispatches messages until WM_QUIT arrives or GetMessageA fails; F5 in the
// main window, whichever control has the focus, asks for a rescan.
void RunMessageLoop();

// The main window's messages: creates the buttons, answers the drive list's
// notifications, routes the buttons, the copy command and Ctrl+C, and
// rescans on F5 and when a drive arrives or leaves.
LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
