// Report mode against the window's start-up, same program, same run: the time
// from CreateProcess until "PROGRAM /report FILE" has ended, and until
// "PROGRAM" first waits idle in its message loop (it is then closed). The two
// are started in turn, RUNS times each, after one warm-up start of each.
// Usage: bench_report RUNS PROGRAM FILE
#include "bench_process.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Starts `commandLine`; with `report` waits for its end (exit code in
// `exitCode`), otherwise for its first idle message loop, then closes it.
bool Measure(std::string commandLine, bool report, double& milliseconds, DWORD& exitCode)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start, done;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", commandLine.c_str(), GetLastError());
        return false;
    }
    const DWORD waited = report ? WaitForSingleObject(process.hProcess, 60000)
                                : WaitForInputIdle(process.hProcess, 60000);
    QueryPerformanceCounter(&done);
    milliseconds = ElapsedMilliseconds(start, done);
    exitCode = EndMeasuredProcess(process, !report);
    return waited == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s RUNS PROGRAM FILE\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const std::string window = std::string("\"") + argv[2] + "\"";
    const std::string report = window + " /report \"" + argv[3] + "\"";
    std::vector<double> reportTimes, windowTimes;
    DWORD reportExit = 0, windowExit = 0;
    for (int run = -1; run < runs; ++run) {
        double reportMs = 0, windowMs = 0;
        if (!Measure(report, true, reportMs, reportExit) ||
            !Measure(window, false, windowMs, windowExit))
            return 1;
        if (run < 0)
            continue; // the warm-up
        reportTimes.push_back(reportMs);
        windowTimes.push_back(windowMs);
    }
    std::printf("/report to its end:     median %7.1f ms  min %7.1f ms  (exit code %lu)\n",
                Median(reportTimes), *std::min_element(reportTimes.begin(), reportTimes.end()),
                static_cast<unsigned long>(reportExit));
    std::printf("window start-up to idle: median %7.1f ms  min %7.1f ms\n", Median(windowTimes),
                *std::min_element(windowTimes.begin(), windowTimes.end()));
    std::printf("ratio (report / window, medians): %.2f\n",
                Median(reportTimes) / Median(windowTimes));
    return 0;
}
