// The DLLs that the program's start-up loads, up to its first idle message
// loop, held to an allowlist: a new import, or a library that start-up loads
// and frees again, fails here. The test starts the program as its debugger,
// which Windows tells of every DLL mapped into it, also of one unloaded again
// before the window answers, which a walk of its modules would miss.

#include "platform/unicode_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

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

// The file name of the DLL a load event maps, in small letters, from the
// mapping in the program (a load event need not give the file); a
// placeholder, which no allowlist holds, when the mapping does not tell it.
std::string LoadedFileName(HANDLE process, const LOAD_DLL_DEBUG_INFO& load)
{
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetMappedFileNameW(process, load.lpBaseOfDll, path, MAX_PATH * 2);
    std::string name;
    if (length == 0 || length >= MAX_PATH * 2 || !Utf8FromWide(std::wstring(path, length), name))
        return "<a DLL without a file name>";
    name.erase(0, name.find_last_of("\\/") + 1);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// What one run of a program loaded, as its debugger saw it.
struct StartupLoads {
    std::vector<std::string> dlls; // file names until the first idle
    bool idle = false;             // its message loop waited for input
};

// Starts `commandLine` under this thread as its debugger and runs it until
// its first idle, or for 20 seconds at most; then ends it.
StartupLoads LoadsUntilIdle(const std::string& commandLine)
{
    StartupLoads loads;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring command = WideFromUtf8(commandLine);
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &process))
        return loads;
    const DWORD started = GetTickCount();
    for (bool running = true; running;) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, 50)) {
            loads.idle = loads.idle || WaitForInputIdle(process.hProcess, 0) == 0;
            if (loads.idle || GetTickCount() - started > 20000)
                TerminateProcess(process.hProcess, 0);
            continue;
        }
        const DWORD code = event.dwDebugEventCode;
        if (code == LOAD_DLL_DEBUG_EVENT && !loads.idle)
            loads.dlls.push_back(LoadedFileName(process.hProcess, event.u.LoadDll));
        // The debugger owns these files.
        if (code == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile)
            CloseHandle(event.u.CreateProcessInfo.hFile);
        if (code == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile)
            CloseHandle(event.u.LoadDll.hFile);
        // Only watching: the program's own exceptions go back to it; the
        // loader's breakpoint is passed over.
        const bool own = code == EXCEPTION_DEBUG_EVENT &&
                         event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT;
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId,
                           own ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
        running = code != EXIT_PROCESS_DEBUG_EVENT;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return loads;
}

TEST(StartupModules, OnlyWhatTheFloorLoadsUntilTheWindowAnswers)
{
    const StartupLoads loads = LoadsUntilIdle("\"" VESTREL_EXE_PATH "\"");
    ASSERT_TRUE(loads.idle) << "the program never waited for input";
    // The debugger saw the loads at all.
    EXPECT_NE(loads.dlls.end(), std::find(loads.dlls.begin(), loads.dlls.end(), "kernel32.dll"));
    std::vector<std::string> beyond;
    for (const std::string& dll : loads.dlls)
        if (std::find(std::begin(kAllowed), std::end(kAllowed), dll) == std::end(kAllowed))
            beyond.push_back(dll);
    EXPECT_EQ(std::vector<std::string>{}, beyond) << "loaded at start-up beyond the floor's DLLs";
}

} // namespace
