#pragma once

// What the start-up benchmarks share: timing, ending a measured process, and
// the median of the runs.
#include <windows.h>

#include <algorithm>
#include <vector>

inline double ElapsedMilliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

inline BOOL CALLBACK CloseProcessWindow(HWND window, LPARAM pid)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(pid) && IsWindowVisible(window))
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Ends a measured process: closes its windows when `closeWindows`, waits for
// it (ending it by force after 20 s) and releases its handles. Returns its
// exit code.
inline DWORD EndMeasuredProcess(PROCESS_INFORMATION& process, bool closeWindows)
{
    if (closeWindows)
        EnumWindows(CloseProcessWindow, static_cast<LPARAM>(process.dwProcessId));
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 99);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
