#pragma once

#include "discovery/drive_record.h"
#include "platform/device_io.h"

#include <windows.h>

// The program-wide state, all of it used on the one user-interface thread.
// program_state_win32.cpp defines it. The About window, which registers
// window classes and loads a library when it is made, is defined in
// main_win32.cpp after the DLL search is narrowed; test programs supply their
// own.

// Control and command identifiers of the main window.
constexpr int IDC_DRIVE_LIST = 101;
constexpr int IDC_ABOUT = 102;
constexpr int IDC_CLOSE = 103;
constexpr int IDM_COPY = 104;
constexpr int IDC_DOWNLOAD = 105;
constexpr int IDM_RESCAN = 106; // F5

extern HINSTANCE g_hInstance;    // the module passed to WinMain
extern HWND g_hMainWnd;          // the main window
extern HWND g_hDriveList;        // the drive list control
extern HWND g_hDownloadButton;   // "Check for Downloads"
extern WNDPROC g_pfnOldListProc; // the list's own procedure, before ours replaced it
extern int g_selectedRow;        // the row last clicked, or -1
extern DeviceIo* g_devices;      // the drives the scans ask: the system's, or a test's double

// Every drive that discovery found, in discovery order.
extern DriveRecordList g_driveRecords;

// Opens the program's one About window, or shows it again if it is open.
void OpenAboutWindow();
