#include "tests/win32/support/program_window.h"

#include "app/drive_list.h"
#include "app/main_window.h"
#include "tests/win32/support/program_objects_for_tests.h"

#include <commctrl.h>

namespace {

void SetRowState(int row, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(g_hDriveList, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

void SetControlKey(bool held)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE state = held ? 0x80 : 0;
    keys[VK_CONTROL] = keys[VK_LCONTROL] = state;
    SetKeyboardState(keys);
}

} // namespace

void ProgramWindowTest::SetUp()
{
    g_hInstance = GetModuleHandleA(nullptr);
    static const ATOM registered = RegisterMainWindowClass();
    ASSERT_NE(0, registered);
    g_hMainWnd = CreateMainWindow();
    ASSERT_NE(nullptr, g_hMainWnd);
    ShowWindow(g_hMainWnd, SW_SHOW);
    InitListViewControls();
    g_hDriveList = CreateDriveList(g_hMainWnd);
    ASSERT_NE(nullptr, g_hDriveList);
    g_selectedRow = -1;
    aboutOpensBefore = AboutWindowOpenCount();
}

void ProgramWindowTest::TearDown()
{
    SetControlKey(false);
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

void ProgramWindowTest::SetFocusedRow(int row)
{
    SetRowState(row, LVIS_FOCUSED, LVIS_FOCUSED);
}

void ProgramWindowTest::SelectOnly(std::initializer_list<int> rows)
{
    SetRowState(-1, 0, LVIS_SELECTED);
    for (int row : rows)
        SetRowState(row, LVIS_SELECTED, LVIS_SELECTED);
}

void ProgramWindowTest::PressKey(HWND target, UINT message, WPARAM key, bool controlHeld)
{
    SetControlKey(controlHeld);
    const UINT scanCode = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    LPARAM flags = 1 | (static_cast<LPARAM>(scanCode) << 16);
    if (message == WM_KEYUP)
        flags |= 0xC0000000; // previous state down, being released
    PostMessageA(target, message, key, flags);
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

std::vector<std::string> ListedModels(HWND list)
{
    std::vector<std::string> models;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        models.push_back(CellText(list, row, 0));
    return models;
}
