#pragma once

#include <windows.h>

// What the program's windows (main, About, License) have in common.

// The light grey of the About and License windows.
constexpr COLORREF kDialogGrey = RGB(225, 225, 225);

// Registers a window class of `instance` with the program's look: the
// program icon, the arrow cursor, redrawn on resizing, and a solid
// background of `background`. Returns 0 when the class cannot be registered.
ATOM RegisterProgramWindowClass(HINSTANCE instance, const char* className, WNDPROC windowProc,
                                COLORREF background);

// Creates a child control (or child window) of the program's module.
HWND CreateChildControl(HWND parent, DWORD exStyle, const char* className, const char* text,
                        DWORD style, int x, int y, int width, int height, int id);

// Creates and shows a top-level window of `className` at the system's default
// place, with `object` as the object behind it (see WindowObjectOf). Null
// when the window cannot be created.
HWND CreateObjectWindow(const char* className, const char* title, DWORD style, int width,
                        int height, void* object);

// The object behind a window: the creation parameter on WM_CREATE, the
// window's user-data slot afterwards. Null until the opener has filled the
// slot, so those messages get default processing.
template <typename Dialog> Dialog* WindowObjectOf(HWND hwnd, UINT msg, LPARAM lParam)
{
    if (msg == WM_CREATE)
        return static_cast<Dialog*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    return reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// The window procedure of a class whose windows each have an object: hands
// each message to the object's HandleMessage, or to default processing
// while there is none.
template <typename Dialog>
LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = WindowObjectOf<Dialog>(hwnd, msg, lParam);
    return self ? self->HandleMessage(hwnd, msg, wParam, lParam)
                : DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Destroys a window and forgets its handle. False when there is none or it
// cannot be destroyed; the handle is then kept.
bool DestroyAndForget(HWND& window);
