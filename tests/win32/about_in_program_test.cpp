// "Help-About" in the real Vestrel.exe: its one About window, the License
// window with the agreement from the program's own resources, and an exit
// that takes both along.

#include "tests/win32/support/message_box_watcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 20000;

struct Search {
    DWORD pid;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectProgramWindows(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (pid == search->pid && lstrcmpA(className, search->className) == 0)
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> ProgramWindows(DWORD pid, const char* className)
{
    Search search = {pid, className, {}};
    EnumWindows(CollectProgramWindows, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(AboutInProgram, HelpAboutOpensOneAboutWindowWhoseLicenseShowsTheAgreement)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char commandLine[] = VESTREL_EXE_PATH;
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process))
        << GetLastError();
    WaitForInputIdle(process.hProcess, kTimeoutMs);
    const DWORD pid = process.dwProcessId;
    const std::vector<HWND> mains = ProgramWindows(pid, "vestrel");
    ASSERT_EQ(1u, mains.size());
    HWND main = mains[0];

    SendMessageA(main, WM_COMMAND, 102, 0);
    SendMessageA(main, WM_COMMAND, 102, 0);
    const std::vector<HWND> abouts = ProgramWindows(pid, "vestrel_aboutdlg");
    ASSERT_EQ(1u, abouts.size());
    EXPECT_EQ("About Vestrel", WindowText(abouts[0]));

    SendMessageA(abouts[0], WM_COMMAND, 102, 0);
    const std::vector<HWND> licenses = ProgramWindows(pid, "vestrel_licensedlg");
    ASSERT_EQ(1u, licenses.size());
    HWND text = FindWindowExA(licenses[0], nullptr, "RichEdit20A", nullptr);
    EXPECT_EQ(0u, WindowText(text).rfind("Vestrel End User License Agreement", 0));

    // Closing the main window ends the program with both windows still open.
    PostMessageA(main, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, kTimeoutMs) == WAIT_OBJECT_0;
    DWORD code = 99;
    if (ended)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 99);
    EXPECT_EQ(0u, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace
