#include "app/clipboard.h"

#include "app/list_view.h"

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

void FormatRowText(HWND list, int row, char* out)
{
    char model[kCellBufferSize];
    char serial[kCellBufferSize];
    char revision[kCellBufferSize];
    const ListView view(list);
    view.ReadCell(row, 0, model, sizeof model);
    view.ReadCell(row, 1, serial, sizeof serial);
    view.ReadCell(row, 2, revision, sizeof revision);
    ComposeRowText(model, serial, revision, out);
}

bool CopyTextToClipboard(HWND owner, const char* text)
{
    if (!OpenClipboard(owner))
        return false;
    const bool copied = PutTextOnOpenClipboard(text);
    CloseClipboard();
    return copied;
}

void CopyFocusedRow(HWND owner, HWND list)
{
    // Without a list, a message to it answers 0, which reads as row 0.
    if (!IsWindow(list))
        return;
    const int row = ListView(list).FocusedRow();
    if (row < 0)
        return;
    char text[kComposedTextSize];
    FormatRowText(list, row, text);
    if (!CopyTextToClipboard(owner, text))
        MessageBoxA(nullptr, kCopyErrorText, kCopyErrorCaption, MB_OK);
}
