#pragma once

#include "platform/device_io.h"

#include <windows.h>

// Fills an empty drive list as start-up does: discovery's rows first, then a
// row for each drive that answers the identify scan. Whatever asks devices
// (the identify scan, and discovery's volume query) runs on a thread of its
// own while this one dispatches its messages. Returns early, leaving that
// scan behind, when WM_QUIT arrives meanwhile (posted again). A rescan asked
// for meanwhile runs once when it ends.
void ScanDrivesIntoList(HWND list, DeviceIo& devices);

// Makes the list again as a fresh start would: removes its rows, empties the
// drive records, forgets the clicked row, disables "Check for Downloads" and
// scans as ScanDrivesIntoList does, with a wait cursor. A rescan asked for
// while a scan runs (a warning box or the wait for the drives lets messages
// through) runs once when it ends.
void RescanDrives(HWND list, DeviceIo& devices);

// Dispatches one message of the program's thread: F5 in the main window, on
// whichever control, asks for a rescan.
void DispatchProgramMessage(const MSG& msg);

// Whether `msg` is F5 pressed in the main window or one of its controls.
bool IsRescanKey(const MSG& msg);

// Asks for disk arrival and removal notifications for `mainWindow`; null when
// the system refuses.
HDEVNOTIFY RegisterDiskNotifications(HWND mainWindow);

// Whether a WM_DEVICECHANGE says that a disk or a volume came or went.
bool IsDriveArrivalOrRemoval(WPARAM event, LPARAM data);

// A drive that arrives or leaves sends a burst of notifications: each one
// (re)starts this timer of the main window, and only its expiry rescans.
constexpr UINT_PTR kRescanTimerId = 1;
constexpr UINT kRescanDelayMs = 500;
