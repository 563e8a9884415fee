// The least that any program doing Vestrel's start-up must do: load the
// rich-edit library while its static objects are made, initialise the
// common controls, and show a window with three buttons and a report-style
// list of three columns, then wait in its message loop. Start-up is measured
// against it (tools/bench/startup.sh), and the DLLs it loads under Wine are
// the start-up allowlist's (tests/win32/startup_modules_test.cpp).
#include <windows.h>

#include <commctrl.h>

namespace {

// Loaded by its full path, as the program loads it.
HMODULE LoadRichEdit()
{
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH - 20);
    if (length == 0 || length >= MAX_PATH - 20)
        return nullptr;
    lstrcatA(path, "\\Riched20.dll");
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

const HMODULE g_richEdit = LoadRichEdit();

LRESULT CALLBACK FloorWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CLOSE)
        PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void CreateButton(HWND parent, const char* text, int x, int width)
{
    CreateWindowExA(0, "button", text, WS_CHILD | WS_VISIBLE, x, 155, width, 30, parent, nullptr,
                    nullptr, nullptr);
}

void AddColumn(HWND list, int index, const char* text)
{
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 180;
    column.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void CreateList(HWND parent)
{
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, 10, 10, 565,
                                135, parent, nullptr, nullptr, nullptr);
    AddColumn(list, 0, "Model");
    AddColumn(list, 1, "Serial");
    AddColumn(list, 2, "Firmware");
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FloorWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "bench_floor";
    if (!RegisterClassExA(&wc) || !g_richEdit)
        return 0;
    HWND window = CreateWindowExA(0, "bench_floor", "Floor", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 600, 225, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 0;
    CreateButton(window, "Help-About", 20, 100);
    CreateButton(window, "Check for Downloads", 225, 180);
    CreateButton(window, "Close", 475, 100);
    CreateList(window);
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
