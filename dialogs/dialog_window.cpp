#include "dialogs/dialog_window.h"

#include "res/resource.h"

bool RegisterDialogClass(const char* className, WNDPROC windowProc)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VESTREL));
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VESTREL));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(225, 225, 225)); // kept for the program's life
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0;
}

HWND CreateChildControl(HWND parent, DWORD exStyle, const char* className, const char* text,
                        DWORD style, int x, int y, int width, int height, int id)
{
    return CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

bool DestroyDialogWindow(HWND& window)
{
    if (!window || !DestroyWindow(window))
        return false;
    window = nullptr;
    return true;
}
