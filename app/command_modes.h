#pragma once

#include "app/command_line.h"
#include "platform/device_io.h"

// Runs a command line that asks for no window (report, record, help or a
// usage error) and returns the program's exit code. A report exits with 0
// when no drive needs an update, 1 when some drive does; a recording with 0;
// either with 2 on a usage error or what could not be written. Only a usage
// error, a failed write and the help show a message box, and only when
// standard error (standard output for the help) is not redirected.
int RunCommand(const Command& command, DeviceIo& devices);
