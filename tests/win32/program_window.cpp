#include "tests/win32/program_window.h"

#include "app/drive_list.h"
#include "app/main_window.h"
#include "tests/win32/support/program_objects_for_tests.h"

#include <commctrl.h>

void ProgramWindowTest::SetUp()
{
    g_hInstance = GetModuleHandleA(nullptr);
    static const ATOM registered = RegisterMainWindowClass();
    ASSERT_NE(0, registered);
    g_hMainWnd = CreateMainWindow();
    ASSERT_NE(nullptr, g_hMainWnd);
    ShowWindow(g_hMainWnd, SW_SHOW);
    InitListViewControls();
    g_hDriveList = CreateDriveList();
    ASSERT_NE(nullptr, g_hDriveList);
    g_selectedRow = -1;
    aboutOpensBefore = AboutWindowOpenCount();
}

void ProgramWindowTest::TearDown()
{
    DestroyWindow(g_hMainWnd);
    DispatchPending();
    g_hMainWnd = g_hDriveList = g_hDownloadButton = nullptr;
    g_selectedRow = -1;
}

void ProgramWindowTest::AddRow(const char* model, const char* serial, const char* revision)
{
    InsertDriveRow(g_hDriveList, model, serial, revision);
}

POINT ProgramWindowTest::RowCentre(int row)
{
    RECT rect = {};
    rect.left = LVIR_LABEL;
    SendMessageA(g_hDriveList, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

POINT ProgramWindowTest::EmptySpace()
{
    RECT client;
    GetClientRect(g_hDriveList, &client);
    return {client.right / 3, client.bottom - 5};
}

void ProgramWindowTest::LeftClick(POINT point)
{
    const LPARAM at = MAKELPARAM(point.x, point.y);
    SendMessageA(g_hDriveList, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(g_hDriveList, WM_LBUTTONUP, 0, at);
    DispatchPending();
}

void ProgramWindowTest::RightClick(POINT point)
{
    const LPARAM at = MAKELPARAM(point.x, point.y);
    // The list watches the queue for the release before it reports the click.
    PostMessageA(g_hDriveList, WM_RBUTTONUP, 0, at);
    SendMessageA(g_hDriveList, WM_RBUTTONDOWN, MK_RBUTTON, at);
    DispatchPending();
}

std::string CellText(HWND list, int row, int column)
{
    char text[256] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}
