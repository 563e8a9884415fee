#include "app/list_view.h"

#include <commctrl.h>

#include <cstring>
#include <string>

namespace {

LVITEMA TextItem(int row, int column, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    // The control only reads the text it is given.
    item.pszText = const_cast<char*>(text);
    item.cchTextMax = static_cast<int>(std::strlen(text) + 1);
    return item;
}

} // namespace

int ListView::Count() const
{
    return static_cast<int>(SendMessageA(hwnd, LVM_GETITEMCOUNT, 0, 0));
}

int ListView::AppendRow(const char* const* texts, int count) const
{
    if (count < 1)
        return -1;
    LVITEMA item = TextItem(Count(), 0, texts[0]);
    const int row =
        static_cast<int>(SendMessageA(hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return -1;
    for (int column = 1; column < count; ++column) {
        LVITEMA cell = TextItem(row, column, texts[column]);
        SendMessageA(hwnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&cell));
    }
    return row;
}

void ListView::DeleteAllRows() const
{
    SendMessageA(hwnd, LVM_DELETEALLITEMS, 0, 0);
}

void ListView::ReadCell(int row, int column, char* text, std::size_t size) const
{
    text[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(size);
    SendMessageA(hwnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    // The control terminates the text, but not always when it converts
    // double-byte text to ANSI.
    text[size - 1] = '\0';
}

int ListView::FocusedRow() const
{
    return NextItem(LVNI_FOCUSED);
}

int ListView::FirstSelectedRow() const
{
    return NextItem(LVNI_SELECTED);
}

int ListView::NextItem(UINT flags) const
{
    return static_cast<int>(SendMessageA(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flags));
}

void ListView::InsertColumn(int index, const char* header, int width) const
{
    // The control takes a writable pointer; it gets a copy.
    std::string text = header;
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    SendMessageA(hwnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

void ListView::SetExtendedStyle(DWORD style) const
{
    SendMessageA(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
}
