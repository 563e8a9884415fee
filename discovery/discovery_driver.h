#pragma once

#include "discovery/drive_record.h"

#include <vector>

// The drives of the one source that the reported Windows version selects:
// the volume query, or the walk of the registry's disk device interfaces. A
// source that finds nothing, or cannot be read, gives nothing.
std::vector<DriveRecord> DiscoverDrives();
