#include "tests/win32/support/dialog_probe.h"

ControlLook LookOf(HWND control)
{
    ControlLook look = {};
    look.className = ClassName(control);
    look.text = WindowText(control);
    look.exStyle = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_EXSTYLE));
    look.style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
    look.rect = ChildRect(control);
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

OtherWindow::OtherWindow()
    : window(CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                             nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))
{
    SetForegroundWindow(window);
    DispatchPending();
}

OtherWindow::~OtherWindow()
{
    DestroyWindow(window);
}
