#include "app/clipboard.h"
#include "app/drive_list.h"
#include "app/main_window.h"
#include "tests/win32/support/clipboard_probe.h"
#include "tests/win32/support/message_box_watcher.h"
#include "tests/win32/support/program_window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kUntouched[] = "clipboard before the test";

class CopyRowTest : public ProgramWindowTest {
protected:
    void SetUp() override
    {
        ProgramWindowTest::SetUp();
        InsertDriveRow(g_hDriveList, "ZQ3104562AS", "5VJ0A1B2", "CC46");
        InsertDriveRow(g_hDriveList, "ZQP12345678AS", "na12345x", "AB1C");
        InsertDriveRow(g_hDriveList, "ZQ3999999SV", "N/A", "Unknown");
        SetClipboardTextForTest(g_hMainWnd, kUntouched);
    }

    // Expects `action` to change nothing and to show no message box.
    template <typename Action> void ExpectNoCopy(Action action)
    {
        MessageBoxWatcher watcher("Vestrel");
        action();
        EXPECT_TRUE(watcher.Finish().empty());
        EXPECT_EQ(kUntouched, ClipboardText());
    }
};

TEST_F(CopyRowTest, RowTextIsReadFromTheListCells)
{
    const std::string longCell(300, 'x');
    InsertDriveRow(g_hDriveList, "", "", "");
    InsertDriveRow(g_hDriveList, longCell.c_str(), longCell.c_str(), longCell.c_str());
    char text[kComposedTextSize];

    FormatRowText(g_hDriveList, 1, text);
    EXPECT_STREQ("Model: ZQP12345678AS, Serial: na12345x, Firmware: AB1C", text);
    FormatRowText(g_hDriveList, 3, text);
    EXPECT_STREQ("Model: , Serial: , Firmware: ", text);
    FormatRowText(g_hDriveList, 4, text);
    const std::string cut(255, 'x');
    EXPECT_EQ(RowText(cut, cut, cut), text);
}

TEST_F(CopyRowTest, CopiesTheFocusedRowNotTheSelectedOnes)
{
    SelectOnly({0, 2});
    SetFocusedRow(1);
    CopyFocusedRow(g_hMainWnd, g_hDriveList);
    EXPECT_EQ(RowText("ZQP12345678AS", "na12345x", "AB1C"), ClipboardText());
    EXPECT_EQ(g_hMainWnd, GetClipboardOwner());
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
}

TEST_F(CopyRowTest, NoFocusedRowCopiesNothing)
{
    SelectOnly({0, 1});
    ExpectNoCopy([] { CopyFocusedRow(g_hMainWnd, g_hDriveList); });
    ExpectNoCopy([] { SendMessageA(g_hMainWnd, WM_COMMAND, IDM_COPY, 0); });
}

TEST_F(CopyRowTest, NoListCopiesNothing)
{
    const HWND list = g_hDriveList;
    g_hDriveList = nullptr;
    ExpectNoCopy([] { SendMessageA(g_hMainWnd, WM_COMMAND, IDM_COPY, 0); });
    ExpectNoCopy([this] { PressKey(g_hMainWnd, WM_KEYUP, 'C', true); });
    g_hDriveList = list;
}

TEST_F(CopyRowTest, MenuCommandCopiesTheFocusedRow)
{
    SetFocusedRow(2);
    // The notification code in the high word makes no difference.
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDM_COPY, 1), 0);
    EXPECT_EQ(RowText("ZQ3999999SV", "N/A", "Unknown"), ClipboardText());

    SetFocusedRow(0);
    SendMessageA(g_hMainWnd, WM_COMMAND, IDM_COPY, 0);
    EXPECT_EQ(RowText("ZQ3104562AS", "5VJ0A1B2", "CC46"), ClipboardText());
}

// Ctrl+C copies when C is released with Control still held, wherever the
// keyboard focus is: in the list or on the main window itself.
class CtrlCTest : public CopyRowTest, public ::testing::WithParamInterface<bool> {
protected:
    HWND Target() const { return GetParam() ? g_hDriveList : g_hMainWnd; }
};

TEST_P(CtrlCTest, CopiesWhenCIsReleasedWithControlHeld)
{
    SetFocusedRow(1);
    ExpectNoCopy([this] {
        PressKey(Target(), WM_KEYDOWN, VK_CONTROL, true);
        PressKey(Target(), WM_KEYDOWN, 'C', true);
    });
    PressKey(Target(), WM_KEYUP, 'C', true);
    EXPECT_EQ(RowText("ZQP12345678AS", "na12345x", "AB1C"), ClipboardText());
}

TEST_P(CtrlCTest, CAloneOrControlReleasedFirstDoesNothing)
{
    SetFocusedRow(1);
    ExpectNoCopy([this] {
        PressKey(Target(), WM_KEYDOWN, 'C', false);
        PressKey(Target(), WM_KEYUP, 'C', false);
    });
    ExpectNoCopy([this] {
        PressKey(Target(), WM_KEYDOWN, VK_CONTROL, true);
        PressKey(Target(), WM_KEYDOWN, 'C', true);
        PressKey(Target(), WM_KEYUP, VK_CONTROL, false);
        PressKey(Target(), WM_KEYUP, 'C', false);
    });
    // Control with another key is not a copy either.
    ExpectNoCopy([this] { PressKey(Target(), WM_KEYUP, 'V', true); });
}

TEST_P(CtrlCTest, NoFocusedRowDoesNothing)
{
    ExpectNoCopy([this] { PressKey(Target(), WM_KEYUP, 'C', true); });
}

INSTANTIATE_TEST_SUITE_P(InListAndMainWindow, CtrlCTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "List" : "MainWindow"; });

TEST_F(CopyRowTest, HeldClipboardShowsTheErrorOncePerAttempt)
{
    SetFocusedRow(0);
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Holding());
        EXPECT_FALSE(CopyTextToClipboard(g_hMainWnd, "refused"));

        MessageBoxWatcher watcher("Vestrel", 3, 10000);
        CopyFocusedRow(g_hMainWnd, g_hDriveList); // each returns once the watcher has pressed OK
        SendMessageA(g_hMainWnd, WM_COMMAND, IDM_COPY, 0);
        PressKey(g_hDriveList, WM_KEYUP, 'C', true);
        const auto& boxes = watcher.Wait();
        ASSERT_EQ(3u, boxes.size());
        for (const SeenMessageBox& box : boxes) {
            EXPECT_EQ("Error copying to clipboard.  Try again.", box.text);
            EXPECT_EQ(nullptr, box.owner);
            EXPECT_EQ(nullptr, box.icon);
            EXPECT_EQ(std::vector<int>{IDOK}, box.buttonIds);
        }
    }
    EXPECT_EQ(kUntouched, ClipboardText());

    // Once the other holder lets go, the same copy works again.
    CopyFocusedRow(g_hMainWnd, g_hDriveList);
    EXPECT_EQ(RowText("ZQ3104562AS", "5VJ0A1B2", "CC46"), ClipboardText());
}

TEST_F(CopyRowTest, CopyTextPutsExactlyTheTextOnTheClipboard)
{
    EXPECT_TRUE(CopyTextToClipboard(g_hMainWnd, "one line, no break"));
    EXPECT_EQ("one line, no break", ClipboardText());
    EXPECT_TRUE(CopyTextToClipboard(g_hMainWnd, ""));
    EXPECT_EQ("", ClipboardText());
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
}

} // namespace
