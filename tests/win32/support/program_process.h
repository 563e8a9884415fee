#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A program started for a test: Vestrel.exe (VESTREL_EXE_PATH) usually. It is
// ended on destruction if it still runs.
class ProgramProcess {
public:
    // Starts `commandLine` and waits until its message loop waits for input.
    explicit ProgramProcess(const std::string& commandLine);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Whether the process started; if not, GetLastError() tells why.
    bool Started() const { return started; }
    HANDLE Handle() const { return process.hProcess; }

    // The program's top-level windows of the given class, in z-order.
    std::vector<HWND> Windows(const char* className) const;

    // The program's main window (class "vestrel"); null if it shows none.
    HWND MainWindow() const;

    // Waits for the program to end; returns its exit code, or -1 if it is
    // still running after the timeout.
    long ExitCode() const;

private:
    PROCESS_INFORMATION process = {};
    bool started = false;
};
