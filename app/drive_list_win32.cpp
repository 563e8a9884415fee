#include "app/drive_list.h"

#include "app/clipboard.h"
#include "app/list_view.h"
#include "app/program_state.h"
#include "rows/row_text.h"

#include <commctrl.h>

namespace {

constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | LVS_REPORT;

struct Column {
    const char* header;
    int width;
};

constexpr Column kColumns[] = {
    {"Drive Name (Model Number)", 200},
    {"Serial Number", 200},
    {"Revision", 158},
};

} // namespace

bool IsCopyKeyRelease(UINT msg, WPARAM key)
{
    return msg == WM_KEYUP && key == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

HWND CreateDriveList(HWND parent)
{
    RECT client;
    GetClientRect(parent, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    HWND list = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", kListStyle, 10, 10, width - 20, height - 60, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DRIVE_LIST)), g_hInstance, nullptr);
    if (!list)
        return nullptr;
    const ListView view(list);
    for (int i = 0; i < 3; ++i)
        view.InsertColumn(i, kColumns[i].header, kColumns[i].width);
    view.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    g_pfnOldListProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_WNDPROC));
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DriveListProc));
    return list;
}

void InsertDriveRow(HWND list, const char* model, const char* serial, const char* revision)
{
    const char* const texts[] = {model, serial, revision};
    ListView(list).AppendRow(texts, 3);
}

void InsertDriveRows(HWND list, const std::vector<DriveRow>& rows)
{
    for (const DriveRow& row : rows)
        InsertDriveRow(list, row.model.c_str(), row.serial.c_str(), row.firmware.c_str());
}

LRESULT CALLBACK DriveListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (IsCopyKeyRelease(msg, wParam))
        CopyFocusedRow(GetParent(hwnd), hwnd);
    return CallWindowProcA(g_pfnOldListProc, hwnd, msg, wParam, lParam);
}

void OnDriveListClick(HWND list)
{
    const ListView view(list);
    g_selectedRow = view.FirstSelectedRow();
    if (g_selectedRow == -1) {
        EnableWindow(g_hDownloadButton, FALSE);
        return;
    }
    char serial[kCellBufferSize] = {};
    view.ReadCell(g_selectedRow, 1, serial, sizeof serial);
    EnableWindow(g_hDownloadButton, IsValidSerialText(serial) ? TRUE : FALSE);
}

void OnDriveListRightClick(HWND owner, HWND list)
{
    if (ListView(list).FocusedRow() == -1)
        return;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuA(menu, MF_STRING, IDM_COPY, "Copy to clipboard");
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenuEx(menu, TPM_CENTERALIGN, cursor.x, cursor.y, owner, nullptr);
    // The choice arrives as a posted WM_COMMAND, so the menu can go now.
    DestroyMenu(menu);
}
