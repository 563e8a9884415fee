#include "tests/win32/support/program_process.h"
#include "tests/win32/support/window_probe.h"

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> ChildTexts(HWND parent)
{
    std::vector<std::string> texts;
    for (HWND child : Children(parent))
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

// Vestrel.exe, started and its main window checked before each test.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program.Started()) << GetLastError();
        main = program.MainWindow();
        ASSERT_NE(nullptr, main);
        ExpectMainWindow(main);
    }

    ProgramProcess program{VESTREL_EXE_PATH};
    HWND main = nullptr;
};

TEST_F(EndToEnd, CloseButtonEndsTheProgramWithExitCodeZero)
{
    PostMessageA(GetDlgItem(main, 103), BM_CLICK, 0, 0);
    EXPECT_EQ(0, program.ExitCode());
}

TEST_F(EndToEnd, CloseBoxEndsTheProgramWithExitCodeZero)
{
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, program.ExitCode());
}

} // namespace
