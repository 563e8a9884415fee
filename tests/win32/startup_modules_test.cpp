// The DLLs that the program's start-up loads, up to its first idle message
// loop, held to an allowlist: a new import, or a library that start-up loads
// and frees again, fails here. The test starts the program as its debugger,
// which Windows tells of every DLL mapped into it, also of one unloaded again
// before the window answers, which a walk of its modules would miss.

#include "platform/unicode_text.h"
#include "tests/win32/support/window_probe.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 20000;

// What the floor program (tools/bench/floor_window.cpp: the rich-edit library
// while the static objects are made, the common controls, three buttons and
// a list) loads under Wine 8 before its message loop first waits; start-up
// needs nothing beyond. Measured, not derived: Wine's own libraries differ
// from Windows', so this list holds only under Wine.
const char* const kAllowed[] = {
    // Wine's layers under the system's DLLs, and its X11 driver
    "ntdll.dll", "kernelbase.dll", "win32u.dll", "sechost.dll", "ucrtbase.dll", "zlib1.dll",
    "winex11.drv",
    // the program's imports
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll", "msvcrt.dll",
    // what the windows need: input method, theme, version resources, drawing, time zone names
    "imm32.dll", "uxtheme.dll", "version.dll", "msimg32.dll", "tzres.dll",
    // the rich-edit library and what Wine's needs
    "riched20.dll", "usp10.dll", "ole32.dll", "combase.dll", "rpcrt4.dll", "oleaut32.dll"};

std::string Lowered(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The path of the file a load event maps: from the event's file, or else
// from the mapping in the program; empty when neither gives it.
std::wstring MappedPath(HANDLE process, const LOAD_DLL_DEBUG_INFO& load)
{
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = load.hFile ? GetFinalPathNameByHandleW(load.hFile, path, MAX_PATH * 2, 0) : 0;
    if (length == 0 || length >= MAX_PATH * 2)
        length = GetMappedFileNameW(process, load.lpBaseOfDll, path, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(path, length) : std::wstring();
}

// The file name of the DLL a load event maps, in small letters; a
// placeholder, which no allowlist holds, when it cannot be told.
std::string LoadedFileName(HANDLE process, const LOAD_DLL_DEBUG_INFO& load)
{
    const std::wstring path = MappedPath(process, load);
    std::string name;
    if (path.empty() || !Utf8FromWide(path, name))
        return "<a DLL without a file name>";
    return Lowered(name.substr(name.find_last_of("\\/") + 1));
}

// What one run of a program loaded, as its debugger saw it.
struct StartupLoads {
    std::vector<std::string> dlls; // file names, in small letters, until the first idle
    bool idle = false;             // its message loop waited for input
    bool ended = false;            // it ended when its window was closed
};

// Answers a debug event as a debugger that only watches: the program's own
// exceptions go back to it; the loader's breakpoint is passed over.
DWORD Answer(const DEBUG_EVENT& event)
{
    if (event.dwDebugEventCode != EXCEPTION_DEBUG_EVENT ||
        event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT)
        return DBG_CONTINUE;
    return DBG_EXCEPTION_NOT_HANDLED;
}

void CloseFileOf(const DEBUG_EVENT& event)
{
    if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile)
        CloseHandle(event.u.CreateProcessInfo.hFile);
    if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile)
        CloseHandle(event.u.LoadDll.hFile);
}

// Between events: notes the first idle and then closes the program's main
// window; ends the program if it outlives the timeout.
void WatchIdle(const PROCESS_INFORMATION& process, DWORD started, StartupLoads& loads)
{
    if (!loads.idle && WaitForInputIdle(process.hProcess, 0) == 0) {
        loads.idle = true;
        for (HWND window : WindowsOfClass("vestrel", process.dwProcessId))
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
    if (GetTickCount() - started > kTimeoutMs)
        TerminateProcess(process.hProcess, 99);
}

// Starts `commandLine` under this thread as its debugger and runs it until it
// ends, its main window closed at the first idle.
StartupLoads LoadsUntilIdle(const std::string& commandLine)
{
    StartupLoads loads;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring command = WideFromUtf8(commandLine);
    command.push_back(L'\0');
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &process))
        return loads;
    const DWORD started = GetTickCount();
    for (bool running = true; running;) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, 50)) {
            WatchIdle(process, started, loads);
            continue;
        }
        if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && !loads.idle)
            loads.dlls.push_back(LoadedFileName(process.hProcess, event.u.LoadDll));
        CloseFileOf(event);
        running = event.dwDebugEventCode != EXIT_PROCESS_DEBUG_EVENT;
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, Answer(event));
    }
    DWORD exitCode = 1;
    loads.ended = GetExitCodeProcess(process.hProcess, &exitCode) && exitCode == 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return loads;
}

TEST(StartupModules, OnlyWhatTheFloorLoadsUntilTheWindowAnswers)
{
    const StartupLoads loads = LoadsUntilIdle("\"" VESTREL_EXE_PATH "\"");
    ASSERT_TRUE(loads.idle) << "the program never waited for input";
    EXPECT_TRUE(loads.ended);
    // The debugger saw the loads at all.
    EXPECT_NE(loads.dlls.end(), std::find(loads.dlls.begin(), loads.dlls.end(), "kernel32.dll"));

    std::vector<std::string> beyond;
    for (const std::string& dll : loads.dlls)
        if (std::find(std::begin(kAllowed), std::end(kAllowed), dll) == std::end(kAllowed))
            beyond.push_back(dll);
    EXPECT_EQ(std::vector<std::string>{}, beyond) << "loaded at start-up beyond the floor's DLLs";
}

} // namespace
