#include "app/drive_list.h"

#include "app/bounded_text.h"
#include "app/clipboard.h"
#include "app/main_window.h"
#include "app/row_text.h"

#include <commctrl.h>

#include <cstring>

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

void InsertColumn(HWND list, int index, const Column& column)
{
    char header[kCellBufferSize] = {};
    CopyText(header, sizeof header, column.header);
    LVCOLUMNA lvc = {};
    lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    lvc.fmt = LVCFMT_LEFT;
    lvc.cx = column.width;
    lvc.pszText = header;
    lvc.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&lvc));
}

LVITEMA TextItem(int row, int subItem, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = subItem;
    // The list only reads the text it is given.
    item.pszText = const_cast<char*>(text);
    item.cchTextMax = static_cast<int>(std::strlen(text) + 1);
    return item;
}

void SetCellText(HWND list, int row, int subItem, const char* text)
{
    LVITEMA item = TextItem(row, subItem, text);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int NextItem(HWND list, UINT flags)
{
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flags));
}

} // namespace

bool IsCopyKeyRelease(UINT msg, WPARAM key)
{
    return msg == WM_KEYUP && key == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

HWND CreateDriveList()
{
    RECT client;
    GetClientRect(g_hMainWnd, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    HWND list = CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", kListStyle, 10, 10, width - 20, height - 60, g_hMainWnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DRIVE_LIST)), g_hInstance, nullptr);
    if (!list)
        return nullptr;
    for (int i = 0; i < 3; ++i)
        InsertColumn(list, i, kColumns[i]);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    g_pfnOldListProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_WNDPROC));
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DriveListProc));
    return list;
}

void InsertDriveRow(HWND list, const char* model, const char* serial, const char* revision)
{
    const int row = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    LVITEMA item = TextItem(row, 0, model);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetCellText(list, row, 1, serial);
    SetCellText(list, row, 2, revision);
}

LRESULT CALLBACK DriveListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (IsCopyKeyRelease(msg, wParam))
        CopyFocusedRow();
    return CallWindowProcA(g_pfnOldListProc, hwnd, msg, wParam, lParam);
}

void OnDriveListClick()
{
    g_selectedRow = NextItem(g_hDriveList, LVNI_SELECTED);
    if (g_selectedRow == -1) {
        EnableWindow(g_hDownloadButton, FALSE);
        return;
    }
    char serial[kCellBufferSize] = {};
    ReadRowCell(g_hDriveList, g_selectedRow, 1, serial);
    EnableWindow(g_hDownloadButton, IsValidSerialText(serial) ? TRUE : FALSE);
}

void OnDriveListRightClick()
{
    if (NextItem(g_hDriveList, LVNI_FOCUSED) == -1)
        return;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuA(menu, MF_STRING, IDM_COPY, "Copy to clipboard");
    POINT cursor;
    GetCursorPos(&cursor);
    TrackPopupMenuEx(menu, TPM_CENTERALIGN, cursor.x, cursor.y, g_hMainWnd, nullptr);
    // The choice arrives as a posted WM_COMMAND, so the menu can go now.
    DestroyMenu(menu);
}
