#pragma once

#include "discovery/drive_record.h"
#include "rows/drive_row.h"

#include <vector>

// The rows of the drive list, and of the report, in this order: one for every
// discovered drive whose device is linked and active (the volume query sets
// both flags for every drive it finds), then one for every drive the identify
// scan read. Each text ends at its first zero byte, as the list keeps it.
std::vector<DriveRow> ListedRows(const std::vector<DriveRecord>& discovered,
                                 const std::vector<DriveRecord>& identified);
