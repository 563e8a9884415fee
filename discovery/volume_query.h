#pragma once

#include "discovery/drive_record.h"
#include "platform/device_io.h"

// Asks every logical drive of this system for its storage descriptor, in the
// order of the system's list, and appends a record (both flags 1) for each
// volume on a USB drive of a known brand. A drive with two volumes gives two
// records. Volumes that cannot be opened or asked add nothing.
void QueryAllVolumes(DriveRecordList& records, DeviceIo& devices);

// Asks one volume ("\\?\X:") for its storage descriptor and appends at most
// one record. The volume is always closed again.
void QueryVolume(const char* path, DriveRecordList& records, DeviceIo& devices);
