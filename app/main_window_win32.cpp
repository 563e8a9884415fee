#include "app/main_window.h"

#include "app/clipboard.h"
#include "app/download_request.h"
#include "app/drive_list.h"
#include "app/list_colouring.h"
#include "app/rescan.h"
#include "platform/window_base.h"

#include <commctrl.h>

namespace {

// Released when the main window goes.
HDEVNOTIFY g_diskNotification = nullptr;

constexpr char kMainWindowClass[] = "vestrel";
constexpr char kMainWindowTitle[] = "Corvane Vestrel  --  Select a drive";
constexpr COLORREF kWindowGrey = RGB(200, 200, 200);
constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kMainWindowWidth = 600;
constexpr int kMainWindowHeight = 225;
constexpr int kButtonHeight = 30;

HWND CreateButton(HWND parent, const char* text, int id, DWORD style, int x, int y, int width)
{
    return CreateChildControl(parent, 0, "button", text, style, x, y, width, kButtonHeight, id);
}

void OnCreate(HWND hwnd)
{
    RECT client;
    GetClientRect(hwnd, &client);
    const int width = client.right - client.left;
    const int y = client.bottom - client.top - 35;
    CreateButton(hwnd, "Help-About", IDC_ABOUT, WS_CHILD | WS_VISIBLE, 20, y, 100);
    // Disabled until a click on a row with a usable serial.
    g_hDownloadButton = CreateButton(hwnd, "Check for Downloads", IDC_DOWNLOAD,
                                     WS_CHILD | WS_VISIBLE | WS_DISABLED, width / 2 - 75, y, 180);
    CreateButton(hwnd, "Close", IDC_CLOSE, WS_CHILD | WS_VISIBLE, width - 120, y, 100);
    g_diskNotification = RegisterDiskNotifications(hwnd);
}

void OnDestroy(HWND hwnd)
{
    KillTimer(hwnd, kRescanTimerId);
    if (g_diskNotification)
        UnregisterDeviceNotification(g_diskNotification);
    g_diskNotification = nullptr;
}

void Rescan()
{
    if (g_hDriveList)
        RescanDrives(g_hDriveList, *g_devices);
}

void OnDeviceChange(HWND hwnd, WPARAM event, LPARAM data)
{
    if (IsDriveArrivalOrRemoval(event, data))
        SetTimer(hwnd, kRescanTimerId, kRescanDelayMs, nullptr);
}

void OnTimer(HWND hwnd, UINT_PTR id)
{
    if (id != kRescanTimerId)
        return;
    KillTimer(hwnd, kRescanTimerId);
    Rescan();
}

void OnCommand(HWND hwnd, int id)
{
    switch (id) {
    case IDC_ABOUT:
        OpenAboutWindow();
        break;
    case IDC_CLOSE:
        PostQuitMessage(0);
        break;
    case IDM_COPY:
        CopyFocusedRow(hwnd, g_hDriveList);
        break;
    case IDC_DOWNLOAD:
        RequestDownload(hwnd);
        break;
    case IDM_RESCAN:
        Rescan();
        break;
    default:
        break;
    }
}

// Only the drive list's own notifications carry the list-view structures.
bool IsFromDriveList(WPARAM wParam, const NMHDR* header)
{
    return LOWORD(wParam) == IDC_DRIVE_LIST && g_hDriveList != nullptr &&
           header->hwndFrom == g_hDriveList;
}

LRESULT OnNotify(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (IsFromDriveList(wParam, header)) {
        switch (header->code) {
        case NM_CUSTOMDRAW:
            return AnswerDriveListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        case NM_RCLICK:
            OnDriveListRightClick(hwnd, g_hDriveList);
            break;
        case NM_CLICK:
            OnDriveListClick(g_hDriveList);
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(hwnd, WM_NOTIFY, wParam, lParam);
}

LRESULT OnCtlColorButton(HDC dc)
{
    // The buttons' surroundings show the window's grey.
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

} // namespace

ATOM RegisterMainWindowClass()
{
    return RegisterProgramWindowClass(g_hInstance, kMainWindowClass, MainWndProc, kWindowGrey);
}

HWND CreateMainWindow()
{
    return CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, kMainWindowStyle, CW_USEDEFAULT,
                           CW_USEDEFAULT, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr,
                           g_hInstance, nullptr);
}

void InitListViewControls()
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
}

void RunMessageLoop()
{
    MSG msg;
    // GetMessageA answers -1 on failure; looping on it would spin for ever.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchProgramMessage(msg);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        break;
    case WM_NOTIFY:
        return OnNotify(hwnd, wParam, lParam);
    case WM_KEYUP:
        if (IsCopyKeyRelease(msg, wParam))
            CopyFocusedRow(hwnd, g_hDriveList);
        break;
    case WM_COMMAND:
        OnCommand(hwnd, LOWORD(wParam));
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        break;
    case WM_CTLCOLORBTN:
        return OnCtlColorButton(reinterpret_cast<HDC>(wParam));
    case WM_DEVICECHANGE:
        OnDeviceChange(hwnd, wParam, lParam);
        break;
    case WM_TIMER:
        OnTimer(hwnd, wParam);
        break;
    case WM_DESTROY:
        OnDestroy(hwnd);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
