#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A program started for a test: Vestrel.exe (VESTREL_EXE_PATH) usually. It is
// ended on destruction if it still runs.
class ProgramProcess {
public:
    // Command lines are UTF-8.
    // Starts `commandLine` and waits until its message loop waits for input.
    explicit ProgramProcess(const std::string& commandLine);
    // Starts `commandLine` with these standard handles (null for none) and
    // does not wait: a program without a window never idles.
    ProgramProcess(const std::string& commandLine, HANDLE output, HANDLE error,
                   HANDLE input = nullptr);
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
    void Start(const std::string& commandLine, STARTUPINFOW& startup, bool inheritHandles);

    PROCESS_INFORMATION process = {};
    bool started = false;
};

// What a program run to its end wrote and returned.
struct ProgramRun {
    long exitCode = -1; // -1: still running after the timeout, then ended
    std::string output;
    std::string error;
};

// Runs `commandLine` with standard output and error each into a pipe of its
// own, reading both while it runs.
ProgramRun RunWithPipes(const std::string& commandLine);
