#pragma once

#include "platform/device_io.h"

#include <string>

// Records the replies of every physical drive to the identify requests, so
// that a drive that lists wrongly can be replayed without it: in
// `directory`, one folder per drive that opens, named by its index ("0",
// "1", ...), holding one file per request that succeeded, named by
// ReplyFileName, with the data of the reply. Every request is sent to every
// drive that opens, whatever an earlier one gave, until one misses its
// deadline: that drive's folder then holds an empty file named by
// SilentFileName, as a replay of it expects, and one line on standard error
// tells of it. `directory` is created when missing and must otherwise be an
// empty folder; its name is UTF-8. Returns false, with one line in `error`
// saying why, on the first thing that cannot be done, or when no drive
// answered a request.
bool RecordIdentifyReplies(DeviceIo& devices, const std::string& directory, std::string& error);
