#pragma once

#include "app/drive_row.h"
#include "discovery/drive_record.h"
#include "platform/device_io.h"

#include <windows.h>

#include <vector>

// Runs discovery into g_driveRecords, then appends one row to `list` for every
// record whose device is linked and active, in discovery order.
void PopulateDriveList(HWND list);

// The rows the list shows for `records`: one per record whose two link flags
// are both 1, first to last, each text up to its first zero byte as the list
// keeps it.
std::vector<DriveRow> DiscoveryRows(const DriveRecordList& records);

// Both scans without a window, in the list's order: runs discovery into
// `records` (emptied first by the caller) and returns discovery's rows, then
// a row for each drive that answers the identify scan.
std::vector<DriveRow> ScanDriveRows(DriveRecordList& records, DeviceIo& devices);

// Appends one row (model, serial, revision, exactly as stored) to `list` for
// each record of `records` whose two link flags are both 1, first to last.
// Other records give no row.
void InsertRecordRows(HWND list, const DriveRecordList& records);

// Appends the rows of ScanDriveRows, scanning into g_driveRecords.
void InsertScannedRows(HWND list, DeviceIo& devices);
