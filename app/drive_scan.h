#pragma once

#include "discovery/drive_record.h"
#include "platform/device_io.h"

#include <vector>

// Runs both scans as start-up does: discovery, whose drives are added to
// `records`, then the identify scan of `devices`. Returns the drives the list
// shows, in its order (ListedDrives over everything `records` holds).
std::vector<DriveRecord> ScanDrives(DriveRecordList& records, DeviceIo& devices);
