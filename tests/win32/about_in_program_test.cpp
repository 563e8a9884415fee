// "Help-About" in the real Vestrel.exe: its one About window, the License
// window with the agreement from the program's own resources, and an exit
// that takes both along.

#include "tests/win32/support/program_process.h"
#include "tests/win32/support/window_probe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(AboutInProgram, HelpAboutOpensOneAboutWindowWhoseLicenseShowsTheAgreement)
{
    ProgramProcess program(VESTREL_EXE_PATH);
    ASSERT_TRUE(program.Started()) << GetLastError();
    const std::vector<HWND> mains = program.Windows("vestrel");
    ASSERT_EQ(1u, mains.size());
    HWND main = mains[0];

    SendMessageA(main, WM_COMMAND, 102, 0);
    SendMessageA(main, WM_COMMAND, 102, 0);
    const std::vector<HWND> abouts = program.Windows("vestrel_aboutdlg");
    ASSERT_EQ(1u, abouts.size());
    EXPECT_EQ("About Vestrel", WindowText(abouts[0]));

    SendMessageA(abouts[0], WM_COMMAND, 102, 0);
    const std::vector<HWND> licenses = program.Windows("vestrel_licensedlg");
    ASSERT_EQ(1u, licenses.size());
    HWND text = FindWindowExA(licenses[0], nullptr, "RichEdit20A", nullptr);
    EXPECT_EQ(0u, WindowText(text).rfind("Vestrel End User License Agreement", 0));

    // Closing the main window ends the program with both windows still open.
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, program.ExitCode());
}

} // namespace
