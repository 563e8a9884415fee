#pragma once

#include "app/command_line.h"
#include "platform/device_io.h"

// Runs a command line that asks for no window (report, help or a usage
// error) and returns the program's exit code: 0 no drive needs an update, 1
// some drive does, 2 a usage error or a report that could not be written.
// Only a usage error, a failed write and the help show a message box, and
// only when standard error (standard output for the help) is not redirected.
int RunCommand(const Command& command, DeviceIo& devices);
