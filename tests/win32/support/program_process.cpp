#include "tests/win32/support/program_process.h"

#include "tests/win32/support/window_probe.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

} // namespace

ProgramProcess::ProgramProcess(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process) != FALSE;
    if (started)
        WaitForInputIdle(process.hProcess, kTimeoutMs);
}

ProgramProcess::~ProgramProcess()
{
    if (!started)
        return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

std::vector<HWND> ProgramProcess::Windows(const char* className) const
{
    if (!started)
        return {};
    return WindowsOfClass(className, process.dwProcessId);
}

HWND ProgramProcess::MainWindow() const
{
    for (int attempt = 0; started && attempt < 200; ++attempt) {
        const std::vector<HWND> mains = Windows("vestrel");
        if (!mains.empty())
            return mains.front();
        Sleep(50); // another process: nothing to wait on synchronously
    }
    return nullptr;
}

long ProgramProcess::ExitCode() const
{
    if (!started || WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<long>(code);
}
