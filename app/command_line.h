#pragma once

#include <string>

// What the program was started to do.
enum class ProgramMode {
    Window,    // no arguments: the main window
    Record,    // "/record DIR": write the drives' identify replies into DIR
    UsageError // anything else
};

struct ProgramCommand {
    ProgramMode mode = ProgramMode::Window;
    std::string directory; // Record only
};

// Reads the program's arguments, the command line without the program's
// name (as WinMain gets it). Arguments are separated by blanks; double
// quotes group blanks into an argument and are dropped; options are
// case-insensitive. A null text reads as no arguments.
ProgramCommand ParseCommandLine(const char* arguments);

// The line that tells a caller who got the arguments wrong how to call the
// program.
extern const char kUsageLine[];
