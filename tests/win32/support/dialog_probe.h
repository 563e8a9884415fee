#pragma once

#include "tests/win32/support/window_probe.h"

#include <windows.h>

#include <ostream>
#include <string>

// Helpers for tests that open the About and License windows in-process.

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
