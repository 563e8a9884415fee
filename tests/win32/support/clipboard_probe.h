#pragma once

#include <windows.h>

#include <string>
#include <thread>

// The CF_TEXT content of the clipboard, or "<no text>".
std::string ClipboardText();

// Puts `text` on the clipboard, owned by `owner`, so a test can tell whether
// a later copy replaced it.
void SetClipboardTextForTest(HWND owner, const std::string& text);

// The text a copy of a drive row with these cells puts on the clipboard.
std::string RowText(const std::string& model, const std::string& serial,
                    const std::string& revision);

// Holds the clipboard open on a thread of its own for as long as it lives,
// as another program might.
class ClipboardHolder {
public:
    ClipboardHolder();
    ~ClipboardHolder();
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool Holding() const { return holding; }

private:
    HANDLE opened;
    HANDLE release;
    bool holding = false;
    std::thread thread;
};
