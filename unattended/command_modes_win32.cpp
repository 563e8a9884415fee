#include "unattended/command_modes.h"

#include "platform/escaped_exception.h"
#include "platform/std_streams.h"
#include "unattended/record_mode.h"
#include "unattended/report_mode.h"

#include <windows.h>

#include <string>

namespace {

// These modes run unattended, as a service or a scheduled task: a failure
// is a line for whoever collects standard error, never a window to wait on.
int Fail(const std::string& line)
{
    WriteErrorLine("Vestrel: " + line);
    return kExitFailed;
}

// A person asked for the usage: with nowhere to write it, it is a box.
int ShowUsage()
{
    if (!WriteStdText(STD_OUTPUT_HANDLE, kUsageText))
        MessageBoxA(nullptr, kUsageText, "Vestrel", MB_OK | MB_ICONINFORMATION);
    return 0;
}

int ExitWith(int code, const std::string& error)
{
    return code == kExitFailed ? Fail(error) : code;
}

int RunMode(const Command& command, DeviceIo& devices)
{
    std::string error;
    switch (command.mode) {
    case CommandMode::Report:
        return ExitWith(RunReport(command.path, devices, error), error);
    case CommandMode::Record:
        return ExitWith(RunRecord(command.path, devices, error), error);
    case CommandMode::Help:
        return ShowUsage();
    default:
        return Fail(command.error + "; " + kUsageLine);
    }
}

} // namespace

int RunCommand(const Command& command, DeviceIo& devices)
{
    // Started from a command prompt without "start /wait", the program shares
    // its console once it writes there, and Ctrl+C typed for the next command
    // would end a run halfway.
    IgnoreConsoleInterrupts();
    // An exception from the run itself ends it as one from a thread of its
    // scan does: one line and 2, the first noted being the one named.
    try {
        return RunMode(command, devices);
    } catch (...) {
        NoteCurrentException();
    }
    std::string line;
    TakeEscapedException(line);
    return Fail(line);
}
