#pragma once

#include "discovery/drive_record.h"

#include <windows.h>

// Runs discovery into g_driveRecords, then appends one row to `list` for every
// record whose device is linked and active, in discovery order.
void PopulateDriveList(HWND list);

// Appends one row (model, serial, revision, exactly as stored) to `list` for
// each record of `records` whose two link flags are both 1, first to last.
// Other records give no row.
void InsertRecordRows(HWND list, const DriveRecordList& records);
