#pragma once

#include "platform/device_io.h"

#include <string>

// Writes every drive's identify replies into the folder `directory` (UTF-8).
// Returns 0; or 2 with one line in `error` when the folder cannot be
// written, when an exception escaped a thread of the scan, or when no drive
// answered and so nothing was recorded.
int RunRecord(const std::string& directory, DeviceIo& devices, std::string& error);
