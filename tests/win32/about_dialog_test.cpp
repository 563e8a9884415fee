// The About window, opened in this process. The program links the window
// resources (icon, banner, license text) as Vestrel.exe does.

#include "dialogs/about_dialog.h"
#include "res/resource.h"
#include "tests/win32/support/dialog_probe.h"
#include "tests/win32/support/message_box_watcher.h"

#include <gtest/gtest.h>

namespace {

constexpr char kAboutClass[] = "vestrel_aboutdlg";
constexpr char kLicenseClass[] = "vestrel_licensedlg";

class AboutWindow : public ::testing::Test {
protected:
    static AboutDialog& Dialog()
    {
        static AboutDialog dialog; // registers both classes, once per program
        return dialog;
    }

    void TearDown() override
    {
        DestroyWindowsOfClass(kAboutClass);
        DestroyWindowsOfClass(kLicenseClass);
        DispatchPending();
    }

    static HWND OpenOne()
    {
        EXPECT_TRUE(Dialog().Open());
        const std::vector<HWND> windows = WindowsOfClass(kAboutClass);
        return windows.size() == 1 ? windows[0] : nullptr;
    }
};

TEST_F(AboutWindow, IsAFixedSizeOwnerlessWindowOfItsOwnClass)
{
    HWND about = OpenOne();
    ASSERT_NE(nullptr, about);
    EXPECT_EQ("About Vestrel", WindowText(about));
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(nullptr, GetWindow(about, GW_OWNER));
    RECT outer = {};
    GetWindowRect(about, &outer);
    EXPECT_EQ(442, outer.right - outer.left);
    EXPECT_EQ(300, outer.bottom - outer.top);
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(about, GWL_STYLE));
    EXPECT_EQ(DWORD{WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX},
              style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    // Both dialog classes: redrawn when sized, the program icon as large and
    // small icon, the arrow, a light grey background, no extra bytes.
    HINSTANCE module = GetModuleHandleA(nullptr);
    const HICON programIcon = LoadIconA(module, MAKEINTRESOURCEA(IDI_VESTREL));
    ASSERT_NE(nullptr, programIcon);
    for (const char* className : {kAboutClass, kLicenseClass}) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        ASSERT_TRUE(GetClassInfoExA(module, className, &wc)) << className;
        EXPECT_EQ(UINT{CS_HREDRAW | CS_VREDRAW}, wc.style) << className;
        EXPECT_EQ(0, wc.cbClsExtra) << className;
        EXPECT_EQ(0, wc.cbWndExtra) << className;
        EXPECT_EQ(programIcon, wc.hIcon) << className;
        EXPECT_EQ(programIcon, wc.hIconSm) << className;
        EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), wc.hCursor) << className;
        EXPECT_EQ(nullptr, wc.lpszMenuName) << className;
        LOGBRUSH brush = {};
        ASSERT_TRUE(GetObjectA(wc.hbrBackground, sizeof brush, &brush)) << className;
        EXPECT_EQ(RGB(225, 225, 225), brush.lbColor) << className;
    }
}

TEST_F(AboutWindow, HasItsSixControlsInCreationOrder)
{
    HWND about = OpenOne();
    ASSERT_NE(nullptr, about);
    RECT client = {};
    GetClientRect(about, &client);
    const LONG cw = client.right;
    const LONG ch = client.bottom;
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const std::vector<ControlLook> expected = {
        {"Button", "License", 0, child, {20, ch - 35, 100, ch - 15}, IDC_ABOUT_LICENSE},
        {"Button", "OK", 0, child, {cw - 100, ch - 35, cw - 20, ch - 15}, IDC_ABOUT_OK},
        {"Static",
         "Copyright (C) 2016 Corvane Technology\nAll rights reserved.",
         WS_EX_TRANSPARENT,
         child,
         {130, 185, 430, 285},
         0},
        {"Static",
         "This information is read from the registry.  Corvane drive names may be shown as model "
         "numbers (beginning with ZQ) or as family names (like Marlowen).  Pellum drive names may "
         "be shown as model numbers (beginning with ZQP) or as family names (Pellum or "
         "Brightel).  Drives that are listed in RED have known firmware updates available and "
         "should be checked.",
         WS_EX_TRANSPARENT,
         child,
         {20, 100, 420, 300},
         0},
        {"Static", "Corvane Vestrel v2.3.0.0", WS_EX_TRANSPARENT, child, {20, 80, 245, 100}, 0},
        {"Static", "", WS_EX_TRANSPARENT, 0x50000A0E, {0, 0, 442, 75}, 0},
    };
    std::vector<ControlLook> actual;
    for (HWND control : Children(about))
        actual.push_back(LookOf(control));
    EXPECT_EQ(expected, actual);
}

TEST_F(AboutWindow, ShowsTheBannerAndTwoArialFonts)
{
    HWND about = OpenOne();
    ASSERT_NE(nullptr, about);
    const std::vector<HWND> controls = Children(about);
    ASSERT_EQ(6u, controls.size());

    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageA(controls[5], STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP picture = {};
    ASSERT_TRUE(GetObjectA(bitmap, sizeof picture, &picture));
    EXPECT_EQ(442, picture.bmWidth);
    EXPECT_EQ(75, picture.bmHeight);

    struct Expected {
        HWND control;
        LONG height;
    };
    for (const Expected& text : {Expected{controls[2], 16}, Expected{controls[3], 14}}) {
        auto font = reinterpret_cast<HFONT>(SendMessageA(text.control, WM_GETFONT, 0, 0));
        LOGFONTA look = {};
        ASSERT_TRUE(GetObjectA(font, sizeof look, &look));
        EXPECT_STREQ("Arial", look.lfFaceName);
        EXPECT_EQ(text.height, look.lfHeight);
        EXPECT_EQ(0, look.lfWidth);
        EXPECT_EQ(FW_DONTCARE, look.lfWeight);
        EXPECT_EQ(0, look.lfItalic + look.lfUnderline + look.lfStrikeOut);
        EXPECT_EQ(ANSI_CHARSET, look.lfCharSet);
        EXPECT_EQ(DEFAULT_QUALITY, look.lfQuality);
        EXPECT_EQ(DEFAULT_PITCH | FF_DONTCARE, look.lfPitchAndFamily);
    }
    // The buttons and the version line keep the default font.
    for (int i : {0, 1, 4})
        EXPECT_EQ(0, SendMessageA(controls[i], WM_GETFONT, 0, 0)) << "control " << i;
}

TEST_F(AboutWindow, StaticsDrawWithoutABackgroundOfTheirOwn)
{
    HWND about = OpenOne();
    ASSERT_NE(nullptr, about);
    HDC dc = GetDC(about);
    SetBkMode(dc, OPAQUE);
    const LRESULT brush = SendMessageA(about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(Children(about)[3]));
    EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)), brush);
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    ReleaseDC(about, dc);
}

TEST_F(AboutWindow, SecondOpenRaisesTheOneWindowAndKeepsAMinimisedOneMinimised)
{
    HWND about = OpenOne();
    ASSERT_NE(nullptr, about);
    {
        OtherWindow other;
        ASSERT_EQ(other.handle(), GetForegroundWindow());
        EXPECT_FALSE(Dialog().Open());
        DispatchPending();
        EXPECT_EQ(std::vector<HWND>{about}, WindowsOfClass(kAboutClass));
        EXPECT_EQ(about, GetForegroundWindow());
    }
    ShowWindow(about, SW_MINIMIZE);
    EXPECT_FALSE(Dialog().Open());
    DispatchPending();
    EXPECT_TRUE(IsIconic(about));
    EXPECT_EQ(std::vector<HWND>{about}, WindowsOfClass(kAboutClass));
}

// Each way of closing destroys the window, releases the fonts and the banner
// bitmap, and lets a later Open make a fresh window.
void CloseWithOk(HWND about)
{
    SendMessageA(GetDlgItem(about, IDC_ABOUT_OK), BM_CLICK, 0, 0);
}
void CloseWithCloseBox(HWND about)
{
    SendMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
}
void CloseWithAltF4(HWND about)
{
    SendMessageA(about, WM_SYSKEYDOWN, VK_F4, LPARAM{1} << 29); // bit 29: Alt is down
}
void CloseWithDestroyWindow(HWND about)
{
    DestroyWindow(about);
}
// "OK" as an accelerator would send it: the notification code is not looked at.
void CloseWithCommandCodeOne(HWND about)
{
    SendMessageA(about, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_OK, 1), 0);
}

TEST_F(AboutWindow, EveryWayOfClosingReleasesItsResourcesAndAllowsAFreshWindow)
{
    for (auto close : {CloseWithOk, CloseWithCloseBox, CloseWithAltF4, CloseWithDestroyWindow,
                       CloseWithCommandCodeOne}) {
        HWND about = OpenOne();
        ASSERT_NE(nullptr, about);
        const std::vector<HWND> controls = Children(about);
        ASSERT_EQ(6u, controls.size());
        HGDIOBJ owned[] = {
            reinterpret_cast<HGDIOBJ>(SendMessageA(controls[5], STM_GETIMAGE, IMAGE_BITMAP, 0)),
            reinterpret_cast<HGDIOBJ>(SendMessageA(controls[2], WM_GETFONT, 0, 0)),
            reinterpret_cast<HGDIOBJ>(SendMessageA(controls[3], WM_GETFONT, 0, 0)),
        };

        close(about);
        DispatchPending();

        EXPECT_FALSE(IsWindow(about));
        EXPECT_TRUE(WindowsOfClass(kAboutClass).empty());
        for (HGDIOBJ object : owned)
            EXPECT_EQ(0u, GetObjectType(object)) << "still alive: " << object;
    }
    EXPECT_NE(nullptr, OpenOne());
}

TEST_F(AboutWindow, LicenseButtonOpensOneLicenseWindowThatOutlivesTheAboutWindow)
{
    HWND about = OpenOne();
    ASSERT_NE(nullptr, about);
    SendMessageA(about, WM_COMMAND, IDC_ABOUT_LICENSE, 0);
    const std::vector<HWND> license = WindowsOfClass(kLicenseClass);
    ASSERT_EQ(1u, license.size());
    EXPECT_EQ(nullptr, GetWindow(license[0], GW_OWNER));

    // A second press neither opens another window nor raises this one.
    {
        OtherWindow other;
        SendMessageA(about, WM_COMMAND, IDC_ABOUT_LICENSE, 0);
        DispatchPending();
        EXPECT_EQ(license, WindowsOfClass(kLicenseClass));
        EXPECT_EQ(other.handle(), GetForegroundWindow());
    }

    // Close About, open it again and press License: still the one window.
    ASSERT_TRUE(Dialog().Close());
    EXPECT_EQ(license, WindowsOfClass(kLicenseClass));
    about = OpenOne();
    ASSERT_NE(nullptr, about);
    SendMessageA(about, WM_COMMAND, IDC_ABOUT_LICENSE, 0);
    EXPECT_EQ(license, WindowsOfClass(kLicenseClass));
    ASSERT_TRUE(Dialog().Close());

    // With no About window, the License window's close box still works.
    SendMessageA(license[0], WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(license[0]));
}

} // namespace
