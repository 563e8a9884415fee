#include "tests/win32/dialog_probe.h"

#include "tests/win32/support/message_box_watcher.h"

#include <ostream>

namespace {

struct ClassSearch {
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOfClass(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<ClassSearch*>(param);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() && lstrcmpiA(name, search->className) == 0)
        search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> WindowsOfClass(const char* className)
{
    ClassSearch search = {className, {}};
    EnumWindows(CollectOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void DestroyWindowsOfClass(const char* className)
{
    for (HWND window : WindowsOfClass(className))
        DestroyWindow(window);
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

ControlLook LookOf(HWND control)
{
    ControlLook look = {};
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    look.className = name;
    look.text = WindowText(control);
    look.exStyle = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_EXSTYLE));
    look.style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
    GetWindowRect(control, &look.rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&look.rect), 2);
    look.id = GetDlgCtrlID(control);
    return look;
}

bool operator==(const ControlLook& a, const ControlLook& b)
{
    return lstrcmpiA(a.className.c_str(), b.className.c_str()) == 0 && a.text == b.text &&
           a.exStyle == b.exStyle && a.style == b.style && EqualRect(&a.rect, &b.rect) &&
           a.id == b.id;
}

void PrintTo(const ControlLook& look, std::ostream* out)
{
    *out << look.className << " \"" << look.text << "\" ex 0x" << std::hex << look.exStyle
         << " style 0x" << look.style << std::dec << " (" << look.rect.left << ", " << look.rect.top
         << ") - (" << look.rect.right << ", " << look.rect.bottom << ") id " << look.id;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

OtherWindow::OtherWindow()
    : window(CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))
{
    SetForegroundWindow(window);
    PumpMessages();
}

OtherWindow::~OtherWindow()
{
    DestroyWindow(window);
}
