#include "platform/std_streams.h"
#include "tests/win32/support/one_smart_drive.h"
#include "tests/win32/support/program_process.h"
#include "unattended/command_line.h"
#include "unattended/command_modes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

// Run by Consoles.* below in a process of their own: they change the
// process's console, and a Ctrl+Break that is not caught ends the process.
constexpr char kChildSuite[] = "DISABLED_InAProcessOfItsOwn";

HANDLE OpenDevice(const char* name)
{
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

// The program asks this only of character devices: GetFileType tells it
// files and pipes.
TEST(DISABLED_InAProcessOfItsOwn, AConsoleHandleIsToldApartFromTheNullDevice)
{
    // A handle to a console this process has left fails GetConsoleMode, as
    // one inherited from a command prompt does on Windows 8 and later.
    FreeConsole();
    ASSERT_TRUE(AllocConsole()) << GetLastError();
    const HANDLE left = OpenDevice("CONOUT$");
    FreeConsole();
    DWORD mode = 0;
    ASSERT_FALSE(GetConsoleMode(left, &mode));
    ASSERT_TRUE(AllocConsole()) << GetLastError();
    const struct {
        const char* what;
        HANDLE handle;
        bool console;
    } cases[] = {
        {"the console it uses", OpenDevice("CONOUT$"), true},
        {"a console it left", left, true},
        {"the null device", OpenDevice("NUL"), false},
    };
    for (const auto& c : cases) {
        ASSERT_NE(INVALID_HANDLE_VALUE, c.handle) << c.what;
        EXPECT_EQ(c.console, IsConsoleDevice(c.handle)) << c.what;
        CloseHandle(c.handle);
    }
    FreeConsole();
}

TEST(DISABLED_InAProcessOfItsOwn, AWindowFreeRunTakesCtrlCAndCtrlBreakAndGoesOn)
{
    // What a console runs in a process to tell it of Ctrl+C or Ctrl+Break.
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CtrlRoutine")));
    if (routine == nullptr)
        GTEST_SKIP() << "No CtrlRoutine in kernel32: the console events cannot be sent here.";
    OneSmartDrive drive("ZQ3104220AS", "ID0001", "KC11");
    EXPECT_EQ(1, RunCommand({CommandMode::Report, "-", ""}, drive)); // to the parent's pipe
    for (DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT}) {
        const HANDLE thread = CreateThread(nullptr, 0, routine,
                                           reinterpret_cast<void*>(DWORD_PTR{event}), 0, nullptr);
        ASSERT_NE(nullptr, thread);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000)) << event;
        CloseHandle(thread);
    }
    // Still here: the handler a console calls by default ends the process.
}

TEST(Consoles, ARunTakesCtrlCAndCtrlBreakAndAConsoleHandleIsToldApartFromTheNullDevice)
{
    char self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameA(nullptr, self, MAX_PATH));
    const ProgramRun run =
        RunWithPipes("\"" + std::string(self) +
                     "\" --gtest_also_run_disabled_tests --gtest_filter=" + kChildSuite + ".*");
    // An ended process prints no summary, whatever its exit code.
    EXPECT_NE(std::string::npos, run.output.find("[==========] 2 tests from 1 test suite ran."))
        << run.output << run.error;
    EXPECT_EQ(0, run.exitCode) << run.output;
}

} // namespace
