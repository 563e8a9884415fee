#pragma once

#include "discovery/drive_record.h"
#include "platform/device_io.h"

#include <optional>
#include <vector>

// Asks every logical drive of this system for its storage descriptor, in the
// order of the system's list, and returns a record (both flags set) for each
// volume on a USB drive of a known brand. A drive with two volumes gives two
// records. Volumes that cannot be opened or asked give nothing.
std::vector<DriveRecord> QueryAllVolumes(DeviceIo& devices);

// Asks one volume ("\\?\X:") for its storage descriptor: the drive, when it
// is one of a known brand on USB. The volume is always closed again.
std::optional<DriveRecord> QueryVolume(const char* path, DeviceIo& devices);
