#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// What a message box showed.
struct SeenMessageBox {
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool hasIcon = false;
    HICON icon = nullptr;
    std::vector<int> buttonIds; // ids of the push buttons, in child order
};

// Watches, on a thread of its own, for message boxes with the given caption
// that belong to this process, records each one and presses its first button
// (OK for an MB_OK box). It stops when `expected` boxes were answered or the
// timeout passes; the destructor waits for it.
class MessageBoxWatcher {
public:
    MessageBoxWatcher(std::string caption, int expected = 1, DWORD timeoutMs = 10000);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Waits for the watcher to finish and returns what it saw.
    const std::vector<SeenMessageBox>& Wait();

    // Stops watching at once and returns what it saw. For an action on this
    // thread that has returned: a message box is modal, so any box it showed
    // has been answered, and seen, by then.
    const std::vector<SeenMessageBox>& Finish();

private:
    void Run();

    std::string caption;
    int expected;
    DWORD timeoutMs;
    std::vector<SeenMessageBox> seen;
    std::atomic<bool> finishing{false};
    std::thread thread;
};
