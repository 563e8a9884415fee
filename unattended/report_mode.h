#pragma once

#include "platform/device_io.h"

#include <string>

// Scans as at start-up and writes the window's rows to `path` (UTF-8; "-"
// for standard output when that is a file or a pipe): JSON for a name ending
// in ".json", else CSV. Returns ReportVerdict's code (0, 1 or 3); or 2 with
// one line in `error` when the report cannot be written, or an exception
// escaped a thread of the scan, in which case a file at `path` is left as it
// was.
int RunReport(const std::string& path, DeviceIo& devices, std::string& error);
