#include "platform/window_base.h"

#include "res/resource.h"

ATOM RegisterProgramWindowClass(HINSTANCE instance, const char* className, WNDPROC windowProc,
                                COLORREF background)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VESTREL));
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VESTREL));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // Kept for the life of the process, like the class.
    wc.hbrBackground = CreateSolidBrush(background);
    wc.lpszClassName = className;
    return RegisterClassExA(&wc);
}

HWND CreateChildControl(HWND parent, DWORD exStyle, const char* className, const char* text,
                        DWORD style, int x, int y, int width, int height, int id)
{
    return CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

HWND CreateObjectWindow(const char* className, const char* title, DWORD style, int width,
                        int height, void* object)
{
    HWND window = CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                                  height, nullptr, nullptr, GetModuleHandleA(nullptr), object);
    if (!window)
        return nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    ShowWindow(window, SW_SHOW);
    return window;
}

bool DestroyAndForget(HWND& window)
{
    if (!window || !DestroyWindow(window))
        return false;
    window = nullptr;
    return true;
}
