#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Helpers for tests that open the About and License windows in-process.

// Top-level windows of this process with the given class.
std::vector<HWND> WindowsOfClass(const char* className);

// Destroys every window of this process with the given class.
void DestroyWindowsOfClass(const char* className);

// The child windows of `parent`, in creation order.
std::vector<HWND> Children(HWND parent);

// What a child window looks like, as read back from the system.
struct ControlLook {
    std::string className;
    std::string text;
    DWORD exStyle;
    DWORD style;
    RECT rect; // in the parent's client coordinates
    int id;
};
ControlLook LookOf(HWND control);
bool operator==(const ControlLook& a, const ControlLook& b);
void PrintTo(const ControlLook& look, std::ostream* out);

// Dispatches every message waiting for this thread.
void PumpMessages();

// A visible top-level window that takes the foreground from the dialogs.
class OtherWindow {
public:
    OtherWindow();
    ~OtherWindow();
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;
    HWND handle() const { return window; }

private:
    HWND window;
};
