#pragma once

#include <windows.h>

// What the About and License windows have in common.

// Registers a window class of the program's module with the dialogs' shared
// look: the program icon, the arrow cursor and a light grey background.
// Returns false when the class cannot be registered.
bool RegisterDialogClass(const char* className, WNDPROC windowProc);

// Creates a child control of the program's module.
HWND CreateChildControl(HWND parent, DWORD exStyle, const char* className, const char* text,
                        DWORD style, int x, int y, int width, int height, int id);

// The object behind a dialog window: the creation parameter on WM_CREATE, the
// window's user-data slot afterwards. Null until the opener has filled the
// slot, so those messages get default processing.
template <typename Dialog> Dialog* DialogOf(HWND hwnd, UINT msg, LPARAM lParam)
{
    if (msg == WM_CREATE)
        return static_cast<Dialog*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    return reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// The window procedure of a dialog class: hands each message to the dialog
// object behind the window, or to default processing while there is none.
template <typename Dialog>
LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = DialogOf<Dialog>(hwnd, msg, lParam);
    return self ? self->HandleMessage(hwnd, msg, wParam, lParam)
                : DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Destroys a dialog's window and forgets it. False when there is none or it
// cannot be destroyed; the handle is then kept.
bool DestroyDialogWindow(HWND& window);
