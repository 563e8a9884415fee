#pragma once

#include <string>
#include <vector>

// What the command line asks the program to do.
enum class CommandMode {
    Window,     // no argument: the program as it always was
    Report,     // scan, write a report, exit with the verdict
    Record,     // write the drives' identify replies into a folder
    Help,       // show the usage
    UsageError, // anything else
};

struct Command {
    CommandMode mode = CommandMode::Window;
    std::string path;  // Report: the file to write, or "-" for standard output; Record: the folder
    std::string error; // UsageError: what is wrong, one line without a line break
};

// The arguments of a Windows command line after the program's name, split by
// the C runtime's rules: blanks (spaces, tabs) outside quotes separate
// arguments; quotes group and are dropped; inside quotes a doubled quote is
// one quote; backslashes are plain except before a quote, where each pair
// gives one backslash and an odd one makes the quote plain. The program's
// name ends at the first blank outside quotes, its backslashes all plain.
std::vector<std::wstring> CommandLineArguments(const std::wstring& commandLine);

// Reads the program's arguments, the program's own name not included. Flags
// take "/" or "-" and any case.
Command ParseCommandLine(const std::vector<std::string>& args);

// The report's exit code when some drive needs a firmware update.
constexpr int kExitUpdateNeeded = 1;

// The exit code of a usage error, and of a mode that could not do its work.
constexpr int kExitFailed = 2;

// The report's exit code when no drive read needs an update but some drive
// that could hold an ATA drive could not be read.
constexpr int kExitIncomplete = 3;

// The usage shown by /?: a few lines, each ending in "\r\n".
extern const char kUsageText[];

// The usage in one line, for the end of an error line.
extern const char kUsageLine[];
