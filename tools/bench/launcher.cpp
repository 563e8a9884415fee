// Measures start-up: the time from CreateProcess until the program first
// waits idle in its message loop (WaitForInputIdle), and its peak working
// set by then. Programs are started in turn, RUNS times each, and closed
// with WM_CLOSE after each measurement.
// Usage: bench_launcher RUNS PROGRAM [PROGRAM...]
// The first program is compared with each of the others (the floors).
#include "bench_process.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
    double milliseconds = 0;
    SIZE_T peakWorkingSet = 0;
};

bool Measure(const std::string& program, Sample& sample)
{
    LARGE_INTEGER start, idle;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + program + "\"";
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return false;
    }
    const DWORD waited = WaitForInputIdle(process.hProcess, 60000);
    QueryPerformanceCounter(&idle);
    sample.milliseconds = ElapsedMilliseconds(start, idle);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    sample.peakWorkingSet = memory.PeakWorkingSetSize;

    EndMeasuredProcess(process, true);
    return waited == 0;
}

std::string FileName(const std::string& path)
{
    return path.substr(path.find_last_of("/\\") + 1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s RUNS PROGRAM [PROGRAM...]\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    const std::vector<std::string> programs(argv + 2, argv + argc);
    std::vector<std::vector<double>> times(programs.size());
    std::vector<SIZE_T> peaks(programs.size());

    // One warm-up start each, then the programs in turn so that both see the
    // same state of the machine.
    for (const std::string& program : programs) {
        Sample ignored;
        Measure(program, ignored);
    }
    for (int run = 0; run < runs; ++run)
        for (std::size_t i = 0; i < programs.size(); ++i) {
            Sample sample;
            if (!Measure(programs[i], sample))
                return 1;
            times[i].push_back(sample.milliseconds);
            peaks[i] = std::max(peaks[i], sample.peakWorkingSet);
        }

    for (std::size_t i = 0; i < programs.size(); ++i)
        std::printf("%-40s median %7.1f ms  min %7.1f ms  peak working set %6lu KiB\n",
                    FileName(programs[i]).c_str(), Median(times[i]),
                    *std::min_element(times[i].begin(), times[i].end()),
                    static_cast<unsigned long>(peaks[i] / 1024));
    for (std::size_t i = 1; i < programs.size(); ++i)
        std::printf("start-up ratio %s / %s (medians): %.2f\n", FileName(programs[0]).c_str(),
                    FileName(programs[i]).c_str(), Median(times[0]) / Median(times[i]));
    return 0;
}
