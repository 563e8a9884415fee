#include "app/startup.h"

#include "app/command_line.h"
#include "app/drive_list.h"
#include "app/main_window.h"
#include "app/rescan.h"
#include "identify/identify_recorder.h"
#include "platform/device_io.h"

#include <string>

namespace {

constexpr int kExitFailure = 2;

// Standard error when the caller redirected it; a program started from a
// shortcut has none.
HANDLE RedirectedStandardError()
{
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE ||
        GetFileType(error) == FILE_TYPE_UNKNOWN)
        return nullptr;
    return error;
}

void WriteErrorLine(HANDLE error, const std::string& text)
{
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

int ReportUsageError()
{
    if (const HANDLE error = RedirectedStandardError())
        WriteErrorLine(error, kUsageLine);
    else
        MessageBoxA(nullptr, kUsageLine, "Vestrel", MB_OK | MB_ICONERROR);
    return kExitFailure;
}

int RecordReplies(const std::string& directory)
{
    std::string problem;
    if (RecordIdentifyReplies(SystemDeviceIo(), directory, problem))
        return 0;
    if (const HANDLE error = RedirectedStandardError())
        WriteErrorLine(error, problem);
    return kExitFailure;
}

int RunWindow(HINSTANCE instance)
{
    g_hInstance = instance;
    if (!RegisterMainWindowClass())
        return 0;
    g_hMainWnd = CreateMainWindow();
    // Without a window nothing could ever end the message loop.
    if (!g_hMainWnd)
        return 0;
    ShowWindow(g_hMainWnd, SW_SHOW);
    InitListViewControls();
    g_hDriveList = CreateDriveList(g_hMainWnd);
    ScanDrivesIntoList(g_hDriveList, *g_devices);
    RunMessageLoop();
    return 0;
}

} // namespace

int RunVestrel(HINSTANCE instance, const char* arguments)
{
    const ProgramCommand command = ParseCommandLine(arguments);
    switch (command.mode) {
    case ProgramMode::Record:
        return RecordReplies(command.directory);
    case ProgramMode::UsageError:
        return ReportUsageError();
    case ProgramMode::Window:
        break;
    }
    return RunWindow(instance);
}
