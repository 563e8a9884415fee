#include "tests/win32/support/clipboard_probe.h"

std::string ClipboardText()
{
    std::string text = "<no text>";
    if (!OpenClipboard(nullptr))
        return "<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardTextForTest(HWND owner, const std::string& text)
{
    if (!OpenClipboard(owner))
        return;
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (block) {
        CopyMemory(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block))
            GlobalFree(block);
    }
    CloseClipboard();
}

std::string RowText(const std::string& model, const std::string& serial,
                    const std::string& revision)
{
    return "Model: " + model + ", Serial: " + serial + ", Firmware: " + revision;
}

ClipboardHolder::ClipboardHolder()
    : opened(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      release(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    thread = std::thread([this] {
        holding = OpenClipboard(nullptr) != FALSE;
        SetEvent(opened);
        WaitForSingleObject(release, INFINITE);
        if (holding)
            CloseClipboard();
    });
    WaitForSingleObject(opened, INFINITE);
}

ClipboardHolder::~ClipboardHolder()
{
    SetEvent(release);
    thread.join();
    CloseHandle(opened);
    CloseHandle(release);
}
