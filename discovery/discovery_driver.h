#pragma once

#include "discovery/drive_record.h"
#include "platform/device_io.h"

#include <vector>

// The drives of the one source that the reported Windows version selects:
// the volume query, which asks `devices`, or the walk of the registry's disk
// device interfaces. A source that finds nothing, or cannot be read, gives
// nothing.
std::vector<DriveRecord> DiscoverDrives(DeviceIo& devices);

// Whether the reported Windows version selects the volume query.
bool DiscoveryQueriesVolumes();

// The volume query alone: every logical drive asked through `devices`, each
// open, request and close under the deadline. A silent volume can still
// hold it for a deadline, so the window runs it on a thread of its own.
std::vector<DriveRecord> DiscoverVolumes(DeviceIo& devices);

// The registry walk alone. It asks no device, and a device link it cannot
// read shows a warning box, so the window runs it on the window's thread.
std::vector<DriveRecord> DiscoverRegistryDrives();
