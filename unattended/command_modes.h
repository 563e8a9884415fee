#pragma once

#include "platform/device_io.h"
#include "unattended/command_line.h"

// Runs a command line that asks for no window (report, record, help or a
// usage error) and returns the program's exit code. A report exits with 0
// when no drive needs an update, 1 when some drive does, 3 when none read
// does but a drive could not be read; a recording with 0; either with 2 on a
// usage error, what could not be done, or an exception that escaped the run or
// a thread of its scan, which is one line on standard error or the console
// that started the program. Only the help may show a message box, when it has
// nowhere else to go. Ctrl+C and Ctrl+Break at a console are ignored from then
// on.
int RunCommand(const Command& command, DeviceIo& devices);
