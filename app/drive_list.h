#pragma once

#include "rows/drive_row.h"
#include "rows/serial_text.h"

#include <windows.h>

#include <vector>

// Creates the report-style drive list in the upper part of `parent`, with
// its three columns, and routes its messages through DriveListProc. Returns
// null on failure.
HWND CreateDriveList(HWND parent);

// Appends one row (model, serial, revision) at the end of `list`.
void InsertDriveRow(HWND list, const char* model, const char* serial, const char* revision);

// Appends the rows, first to last.
void InsertDriveRows(HWND list, const std::vector<DriveRow>& rows);

// True for the release of the C key while Control is held: the copy
// shortcut, in the list and in the main window alike.
bool IsCopyKeyRelease(UINT msg, WPARAM key);

// The list's own procedure with Ctrl+C added (the copy is owned by the
// list's parent); everything else goes on to g_pfnOldListProc.
LRESULT CALLBACK DriveListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// A left click in the list: remembers the first selected row in
// g_selectedRow and enables the download button only when that row's serial
// is usable.
void OnDriveListClick(HWND list);

// A right click in the list: offers "Copy to clipboard" at the cursor, its
// command sent to `owner`, while some row has the focus.
void OnDriveListRightClick(HWND owner, HWND list);
