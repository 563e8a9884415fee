#include "app/drive_list.h"
#include "app/main_window.h"
#include "tests/win32/support/message_box_watcher.h"
#include "tests/win32/support/program_objects_for_tests.h"
#include "tests/win32/support/program_window.h"
#include "tests/win32/support/window_probe.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

using MainWindow = ProgramWindowTest;

void ExpectRect(const RECT& rect, int x, int y, int width, int height)
{
    EXPECT_EQ(x, rect.left);
    EXPECT_EQ(y, rect.top);
    EXPECT_EQ(width, rect.right - rect.left);
    EXPECT_EQ(height, rect.bottom - rect.top);
}

// Takes WM_QUIT from the queue if one was posted; returns its exit code or -1.
int TakeQuit()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return -1;
    return static_cast<int>(msg.wParam);
}

TEST_F(MainWindow, ClassIsGreyWithArrowCursorAndNoExtraBytes)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(g_hInstance, "vestrel", &wc));
    EXPECT_EQ(static_cast<UINT>(CS_VREDRAW | CS_HREDRAW), wc.style);
    EXPECT_EQ(MainWndProc, wc.lpfnWndProc);
    EXPECT_EQ(0, wc.cbClsExtra);
    EXPECT_EQ(0, wc.cbWndExtra);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), wc.hCursor);
    // Both icons are the program's own icon group; a shared icon loads as
    // the same handle every time.
    HICON programIcon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(203));
    ASSERT_NE(nullptr, programIcon);
    EXPECT_EQ(programIcon, wc.hIcon);
    EXPECT_EQ(programIcon, wc.hIconSm);
    EXPECT_EQ(nullptr, wc.lpszMenuName);
    LOGBRUSH brush = {};
    ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectA(wc.hbrBackground, sizeof brush, &brush));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
    EXPECT_EQ(RGB(200, 200, 200), brush.lbColor);
}

TEST_F(MainWindow, FixedSizeCaptionWindowWithTitle)
{
    EXPECT_EQ("Corvane Vestrel  --  Select a drive", WindowText(g_hMainWnd));
    const LONG style = GetWindowLongA(g_hMainWnd, GWL_STYLE);
    EXPECT_EQ(0x00CA0000, style & ~(WS_VISIBLE | WS_CLIPSIBLINGS));
    EXPECT_EQ(0, GetWindowLongA(g_hMainWnd, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE);
    EXPECT_EQ(nullptr, GetParent(g_hMainWnd));
    EXPECT_EQ(nullptr, GetMenu(g_hMainWnd));

    RECT outer;
    GetWindowRect(g_hMainWnd, &outer);
    EXPECT_EQ(600, outer.right - outer.left);
    EXPECT_EQ(225, outer.bottom - outer.top);

    // No sizing border: the edges and corners are not handles.
    const POINT edges[] = {{outer.right - 1, outer.bottom - 1},
                           {outer.left, outer.top + 100},
                           {outer.left + 300, outer.bottom - 1}};
    for (const POINT& edge : edges) {
        const LRESULT hit = SendMessageA(g_hMainWnd, WM_NCHITTEST, 0, MAKELPARAM(edge.x, edge.y));
        EXPECT_TRUE(hit < HTLEFT || hit > HTBOTTOMRIGHT) << hit;
    }
}

TEST_F(MainWindow, ThreeButtonsAlongTheBottomThenTheList)
{
    RECT client;
    GetClientRect(g_hMainWnd, &client);
    const int w = client.right;
    const int h = client.bottom;
    const std::vector<HWND> children = Children(g_hMainWnd);
    ASSERT_EQ(4u, children.size());

    struct Expected {
        const char* text;
        int id;
        LONG style;
        int x, width;
        bool enabled;
    };
    const Expected buttons[] = {
        {"Help-About", 102, 0x50000000, 20, 100, true},
        {"Check for Downloads", 105, 0x58000000, w / 2 - 75, 180, false},
        {"Close", 103, 0x50000000, w - 120, 100, true},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(buttons[i].text);
        HWND button = children[i];
        EXPECT_EQ("Button", ClassName(button));
        EXPECT_EQ(buttons[i].text, WindowText(button));
        EXPECT_EQ(buttons[i].id, GetDlgCtrlID(button));
        EXPECT_EQ(buttons[i].style, GetWindowLongA(button, GWL_STYLE));
        EXPECT_EQ(0, GetWindowLongA(button, GWL_EXSTYLE));
        EXPECT_EQ(buttons[i].enabled, IsWindowEnabled(button) != FALSE);
        ExpectRect(ChildRect(button), buttons[i].x, h - 35, buttons[i].width, 30);
    }
    EXPECT_EQ(children[1], g_hDownloadButton);
    EXPECT_EQ(children[3], g_hDriveList);
}

TEST_F(MainWindow, DriveListIsAReportListWithThreeColumns)
{
    RECT client;
    GetClientRect(g_hMainWnd, &client);
    EXPECT_EQ("SysListView32", ClassName(g_hDriveList));
    EXPECT_EQ(101, GetDlgCtrlID(g_hDriveList));
    EXPECT_EQ(g_hMainWnd, GetParent(g_hDriveList));
    EXPECT_EQ(0x50000001, GetWindowLongA(g_hDriveList, GWL_STYLE));
    EXPECT_EQ(WS_EX_CLIENTEDGE, GetWindowLongA(g_hDriveList, GWL_EXSTYLE));
    EXPECT_EQ(LVS_EX_FULLROWSELECT, SendMessageA(g_hDriveList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ("", WindowText(g_hDriveList));
    ExpectRect(ChildRect(g_hDriveList), 10, 10, client.right - 20, client.bottom - 60);

    const char* headers[] = {"Drive Name (Model Number)", "Serial Number", "Revision"};
    const int widths[] = {200, 200, 158};
    for (int i = 0; i < 3; ++i) {
        char text[256] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        ASSERT_TRUE(
            SendMessageA(g_hDriveList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(headers[i], text);
        EXPECT_EQ(widths[i], column.cx);
        EXPECT_EQ(LVCFMT_LEFT, column.fmt & LVCFMT_JUSTIFYMASK);
        EXPECT_EQ(i, column.iSubItem);
    }
    LVCOLUMNA fourth = {};
    fourth.mask = LVCF_WIDTH;
    EXPECT_FALSE(SendMessageA(g_hDriveList, LVM_GETCOLUMNA, 3, reinterpret_cast<LPARAM>(&fourth)));

    EXPECT_EQ(reinterpret_cast<LONG_PTR>(DriveListProc),
              GetWindowLongPtrA(g_hDriveList, GWLP_WNDPROC));
    EXPECT_NE(nullptr, g_pfnOldListProc);
}

TEST_F(MainWindow, CloseButtonQuitsWithZeroAndKeepsTheWindow)
{
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, 0), 0);
    EXPECT_EQ(0, TakeQuit());
    EXPECT_TRUE(IsWindow(g_hMainWnd));

    // The notification code in the high word changes nothing.
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_DOUBLECLICKED), 0);
    EXPECT_EQ(0, TakeQuit());
}

TEST_F(MainWindow, CloseBoxQuitsWithZeroAndDestroysTheWindow)
{
    SendMessageA(g_hMainWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, TakeQuit());
    EXPECT_FALSE(IsWindow(g_hMainWnd));
    EXPECT_FALSE(IsWindow(g_hDriveList));
}

TEST_F(MainWindow, HelpAboutOpensTheAboutWindowWhateverTheNotificationCode)
{
    const int before = aboutOpensBefore;
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED), 0);
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, 1), 0);
    EXPECT_EQ(before + 2, AboutWindowOpenCount());

    // A real press of the button goes the same way.
    SendMessageA(GetDlgItem(g_hMainWnd, IDC_ABOUT), BM_CLICK, 0, 0);
    EXPECT_EQ(before + 3, AboutWindowOpenCount());

    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(999, 0), 0);
    EXPECT_EQ(before + 3, AboutWindowOpenCount());
    EXPECT_EQ(-1, TakeQuit());
}

TEST_F(MainWindow, ButtonBackgroundIsHollowAndTransparent)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetBkMode(dc, OPAQUE);
    const LRESULT brush = SendMessageA(g_hMainWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(g_hDownloadButton));
    EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)), brush);
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    DeleteDC(dc);
}

} // namespace
