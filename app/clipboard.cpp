#include "app/clipboard.h"

#include "app/main_window.h"

#include <commctrl.h>

#include <cstring>

namespace {

constexpr char kCopyErrorText[] = "Error copying to clipboard.  Try again.";
constexpr char kCopyErrorCaption[] = "Vestrel";

// A movable block holding `text` and its terminating zero, or null.
HGLOBAL NewTextBlock(const char* text)
{
    const std::size_t size = std::strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return nullptr;
    void* bytes = GlobalLock(block);
    if (!bytes) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, text, size);
    GlobalUnlock(block);
    return block;
}

// Replaces the content of the clipboard, which this thread holds open.
bool PutTextOnOpenClipboard(const char* text)
{
    EmptyClipboard();
    HGLOBAL block = NewTextBlock(text);
    if (!block)
        return false;
    // The clipboard owns the block only once SetClipboardData succeeds.
    if (!EmptyClipboard() || !SetClipboardData(CF_TEXT, block)) {
        GlobalFree(block);
        return false;
    }
    return true;
}

} // namespace

void ReadRowCell(HWND list, int row, int column, char* cell)
{
    cell[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = cell;
    item.cchTextMax = kCellBufferSize;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    // The control terminates the text, but not always when it converts
    // double-byte text to ANSI.
    cell[kCellBufferSize - 1] = '\0';
}

void FormatRowText(HWND list, int row, char* out)
{
    char model[kCellBufferSize];
    char serial[kCellBufferSize];
    char revision[kCellBufferSize];
    ReadRowCell(list, row, 0, model);
    ReadRowCell(list, row, 1, serial);
    ReadRowCell(list, row, 2, revision);
    ComposeRowText(model, serial, revision, out);
}

bool CopyTextToClipboard(const char* text)
{
    if (!OpenClipboard(g_hMainWnd))
        return false;
    const bool copied = PutTextOnOpenClipboard(text);
    CloseClipboard();
    return copied;
}

void CopyFocusedRow()
{
    // Without a list, a message to it answers 0, which reads as row 0.
    if (!IsWindow(g_hDriveList))
        return;
    const int row = static_cast<int>(
        SendMessageA(g_hDriveList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (row < 0)
        return;
    char text[kComposedTextSize];
    FormatRowText(g_hDriveList, row, text);
    if (!CopyTextToClipboard(text))
        MessageBoxA(nullptr, kCopyErrorText, kCopyErrorCaption, MB_OK);
}
