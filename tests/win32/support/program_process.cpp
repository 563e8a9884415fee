#include "tests/win32/support/program_process.h"

#include "platform/unicode_text.h"
#include "tests/win32/support/window_probe.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;

// Moves what the pipe holds now into `text`, without blocking.
void Drain(HANDLE pipe, std::string& text)
{
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD read = 0;
        if (!ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) || read == 0)
            return;
        text.append(buffer, read);
    }
}

} // namespace

ProgramProcess::ProgramProcess(const std::string& commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    Start(commandLine, startup, false);
    if (started)
        WaitForInputIdle(process.hProcess, kTimeoutMs);
}

ProgramProcess::ProgramProcess(const std::string& commandLine, HANDLE output, HANDLE error,
                               HANDLE input)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = error;
    Start(commandLine, startup, true);
}

void ProgramProcess::Start(const std::string& commandLine, STARTUPINFOW& startup,
                           bool inheritHandles)
{
    std::wstring command = WideFromUtf8(commandLine);
    command.push_back(L'\0');
    started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, inheritHandles, 0, nullptr,
                             nullptr, &startup, &process) != FALSE;
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

ProgramRun RunWithPipes(const std::string& commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    ProgramRun run;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0))
        return run;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return run;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    {
        ProgramProcess program(commandLine, outWrite, errWrite);
        CloseHandle(outWrite);
        CloseHandle(errWrite);
        const DWORD start = GetTickCount();
        bool ended = false;
        while (program.Started() && !ended && GetTickCount() - start < kTimeoutMs) {
            ended = WaitForSingleObject(program.Handle(), 20) == WAIT_OBJECT_0;
            Drain(outRead, run.output);
            Drain(errRead, run.error);
        }
        if (ended)
            run.exitCode = program.ExitCode();
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}
