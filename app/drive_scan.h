#pragma once

#include "app/drive_row.h"
#include "discovery/drive_record.h"
#include "platform/device_io.h"

#include <vector>

// Runs both scans, for the window and the report alike: discovery, whose
// drives are added to `records`, then the identify scan of `devices`. Returns
// the rows of ListedRows over everything `records` holds and the identified
// drives.
std::vector<DriveRow> ScanDriveRows(DriveRecordList& records, DeviceIo& devices);
