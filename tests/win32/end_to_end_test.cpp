#include "tests/win32/support/message_box_watcher.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 20000;

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (pid == search->pid && lstrcmpA(className, "vestrel") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Vestrel.exe, started and waited for until its message loop is idle.
class RunningProgram {
public:
    RunningProgram()
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        char commandLine[] = VESTREL_EXE_PATH;
        started = CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &process) != FALSE;
        if (!started)
            return;
        WaitForInputIdle(process.hProcess, kTimeoutMs);
        Search search = {process.dwProcessId, nullptr};
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
        window = search.found;
    }

    ~RunningProgram()
    {
        if (!started)
            return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    // Waits for the program to end; returns its exit code, or -1 if it
    // is still running after the timeout.
    long ExitCode()
    {
        if (WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }

    bool started = false;
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
};

std::vector<std::string> ChildTexts(HWND parent)
{
    std::vector<std::string> texts;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(WindowText(child));
    return texts;
}

void ExpectMainWindow(HWND window)
{
    EXPECT_EQ("Corvane Vestrel  --  Select a drive", WindowText(window));
    EXPECT_TRUE(IsWindowVisible(window));
    const std::vector<std::string> texts = ChildTexts(window);
    ASSERT_EQ(4u, texts.size());
    EXPECT_EQ("Help-About", texts[0]);
    EXPECT_EQ("Check for Downloads", texts[1]);
    EXPECT_EQ("Close", texts[2]);

    HWND list = GetDlgItem(window, 101);
    ASSERT_NE(nullptr, list);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(3, SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, 105)));
}

TEST(EndToEnd, CloseButtonEndsTheProgramWithExitCodeZero)
{
    RunningProgram program;
    ASSERT_TRUE(program.started) << GetLastError();
    ASSERT_NE(nullptr, program.window);
    ExpectMainWindow(program.window);

    PostMessageA(GetDlgItem(program.window, 103), BM_CLICK, 0, 0);
    EXPECT_EQ(0, program.ExitCode());
}

TEST(EndToEnd, CloseBoxEndsTheProgramWithExitCodeZero)
{
    RunningProgram program;
    ASSERT_TRUE(program.started) << GetLastError();
    ASSERT_NE(nullptr, program.window);
    ExpectMainWindow(program.window);

    PostMessageA(program.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, program.ExitCode());
}

} // namespace
