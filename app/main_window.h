#pragma once

#include "platform/device_io.h"

#include <windows.h>

// Control and command identifiers of the main window.
constexpr int IDC_DRIVE_LIST = 101;
constexpr int IDC_ABOUT = 102;
constexpr int IDC_CLOSE = 103;
constexpr int IDM_COPY = 104;
constexpr int IDC_DOWNLOAD = 105;
constexpr int IDM_RESCAN = 106; // F5

// Program-wide handles and state, all used on the one user-interface thread.
extern HINSTANCE g_hInstance;    // the module passed to WinMain
extern HWND g_hMainWnd;          // the main window
extern HWND g_hDriveList;        // the drive list control
extern HWND g_hDownloadButton;   // "Check for Downloads"
extern WNDPROC g_pfnOldListProc; // the list's own procedure, before ours replaced it
extern int g_selectedRow;        // the row last clicked, or -1
extern DeviceIo* g_devices;      // the drives the scans ask: the system's, or a test's double

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
