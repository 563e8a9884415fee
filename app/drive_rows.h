#pragma once

#include <windows.h>

// Runs discovery into g_driveRecords, then appends one row to `list` for every
// record whose device is linked and active, in discovery order.
void PopulateDriveList(HWND list);
