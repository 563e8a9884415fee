#include "dialogs/about_dialog.h"

#include "platform/window_base.h"
#include "res/resource.h"

namespace {

constexpr char kClassName[] = "vestrel_aboutdlg";
constexpr char kTitle[] = "About Vestrel";
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kWidth = 442;
constexpr int kHeight = 300;

constexpr char kVersionText[] = "Corvane Vestrel v" VESTREL_VERSION;
constexpr char kCopyrightText[] = "Copyright (C) 2016 Corvane Technology\n"
                                  "All rights reserved.";
constexpr char kInfoText[] =
    "This information is read from the registry.  Corvane drive names may be shown as model "
    "numbers (beginning with ZQ) or as family names (like Marlowen).  Pellum drive names may be "
    "shown as model numbers (beginning with ZQP) or as family names (Pellum or Brightel).  Drives "
    "that are listed in RED have known firmware updates available and should be checked.";

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kBannerStyle = kChild | SS_BITMAP | SS_CENTERIMAGE | SS_REALSIZEIMAGE;

HFONT CreateArial(int height)
{
    return CreateFontA(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

void SetFont(HWND control, HFONT font)
{
    if (font)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

template <typename Handle> void DeleteGdiObject(Handle& object)
{
    if (object)
        DeleteObject(object);
    object = nullptr;
}

} // namespace

HWND AboutDialog::window = nullptr;

AboutDialog::AboutDialog()
{
    // In the body, so the License member has registered its class first.
    registered = RegisterProgramWindowClass(GetModuleHandleA(nullptr), kClassName,
                                            ObjectWindowProc<AboutDialog>, kDialogGrey) != 0;
}

bool AboutDialog::Open()
{
    ShowWindow(window, SW_SHOW);
    if (window) {
        // Showing an already visible window does not raise it.
        SetForegroundWindow(window);
        return false;
    }
    if (!registered || opening)
        return false;
    opening = true;
    window = CreateObjectWindow(kClassName, kTitle, kWindowStyle, kWidth, kHeight, this);
    opening = false;
    return window != nullptr;
}

bool AboutDialog::Close()
{
    return DestroyAndForget(window);
}

LRESULT AboutDialog::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        break;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_NCDESTROY:
        OnNcDestroy(hwnd);
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void AboutDialog::OnCreate(HWND hwnd)
{
    CreateControls(hwnd);
    ApplyBannerAndFonts();
}

void AboutDialog::CreateControls(HWND hwnd)
{
    RECT client = {};
    GetClientRect(hwnd, &client);
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    licenseButton = CreateChildControl(hwnd, 0, "Button", "License", kChild, 20, ch - 35, 80, 20,
                                       IDC_ABOUT_LICENSE);
    okButton = CreateChildControl(hwnd, 0, "Button", "OK", kChild, cw - 100, ch - 35, 80, 20,
                                  IDC_ABOUT_OK);
    copyrightText = CreateChildControl(hwnd, WS_EX_TRANSPARENT, "static", kCopyrightText, kChild,
                                       130, 185, 300, 100, 0);
    infoText = CreateChildControl(hwnd, WS_EX_TRANSPARENT, "static", kInfoText, kChild, 20, 100,
                                  400, 200, 0);
    versionText = CreateChildControl(hwnd, WS_EX_TRANSPARENT, "static", kVersionText, kChild, 20,
                                     80, 225, 20, 0);
    // As wide as the window's outer edge, so its right end is clipped.
    banner =
        CreateChildControl(hwnd, WS_EX_TRANSPARENT, "static", "", kBannerStyle, 0, 0, 442, 75, 0);
}

void AboutDialog::ApplyBannerAndFonts()
{
    bannerBitmap =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_BANNER),
                                        IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (bannerBitmap)
        SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bannerBitmap));
    copyrightFont = CreateArial(16);
    SetFont(copyrightText, copyrightFont);
    infoFont = CreateArial(14);
    SetFont(infoText, infoFont);
}

void AboutDialog::OnCommand(int id)
{
    if (id == IDC_ABOUT_OK)
        Close();
    else if (id == IDC_ABOUT_LICENSE)
        license.Open();
}

LRESULT AboutDialog::OnCtlColorStatic(HDC dc)
{
    // No background of their own: the window's grey shows between the letters.
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

void AboutDialog::OnNcDestroy(HWND hwnd)
{
    // The controls are gone by now, so nothing still draws with these.
    DeleteGdiObject(bannerBitmap);
    DeleteGdiObject(copyrightFont);
    DeleteGdiObject(infoFont);
    if (hwnd == window)
        window = nullptr;
}
