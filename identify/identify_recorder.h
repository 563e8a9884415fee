#pragma once

#include "platform/device_io.h"

#include <string>

// Records what the identify scan reads of every drive, so that a drive that
// lists wrongly can be replayed without it: in `directory`, one folder per
// physical drive worth it, named by its index ("0", "1", ...), and one per
// SCSI port of a RAID driver ("scsi2"), holding what the scan used to decide
// (the descriptors, the USB id, the port's driver) and one file per request
// that succeeded, named by ReplyFileName, with the data of the reply. The
// drives are asked exactly what the scan asks them, in its order, until one
// gives its identity or misses its deadline: that drive's folder then holds
// an empty file named by SilentFileName, as a replay of it expects, and one
// line on standard error tells of it. A drive is worth recording when it answered an identify
// request or went silent, or could hold an ATA drive. `directory` is created
// when missing and must otherwise be an empty folder; its name is UTF-8.
// Returns false, with one line in `error` saying why, on the first thing
// that cannot be done, when an exception escaped a thread of the scan (then
// nothing is written), or when no drive was worth recording.
bool RecordIdentifyReplies(DeviceIo& devices, const std::string& directory, std::string& error);
