#pragma once

#include "discovery/drive_record.h"

#include <vector>

// The drives the list shows, one row each, in this order: every discovered
// drive whose device is linked and active (the volume query sets both flags
// for every drive it finds), then every drive the identify scan read. Texts
// are shown exactly as stored.
std::vector<DriveRecord> ListedDrives(const std::vector<DriveRecord>& discovered,
                                      const std::vector<DriveRecord>& identified);
