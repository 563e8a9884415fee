#include "dialogs/license_dialog.h"

#include "platform/library_loading.h"
#include "platform/window_base.h"
#include "res/resource.h"

namespace {

constexpr char kClassName[] = "vestrel_licensedlg";
constexpr char kTitle[] = "End User License Agreement";
constexpr char kRichEditLibrary[] = "Riched20.dll";
constexpr char kRichEditClass[] = "RichEdit20A";
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kWidth = 1000;
constexpr int kHeight = 500;

} // namespace

HWND LicenseDialog::window = nullptr;
HMODULE LicenseDialog::richEditLibrary = nullptr;

std::optional<std::string> ReadLicenseText(HMODULE module)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_EULA), "EULA");
    if (!found)
        return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return std::nullopt;
    // The resource has no NUL of its own and lies in the mapped image: copy
    // it, never terminate it in place.
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

LicenseDialog::LicenseDialog()
{
    if (!RegisterProgramWindowClass(GetModuleHandleA(nullptr), kClassName,
                                    ObjectWindowProc<LicenseDialog>, kDialogGrey))
        return;
    // Never freed: a License window may outlive this object at exit. By full
    // path: a Riched20.dll saved beside the program must never be loaded.
    richEditLibrary = LoadSystemLibrary(kRichEditLibrary);
    registered = true;
}

bool LicenseDialog::Open()
{
    if (!registered || window || opening)
        return false;
    opening = true;
    window = CreateObjectWindow(kClassName, kTitle, kWindowStyle, kWidth, kHeight, this);
    opening = false;
    return window != nullptr;
}

bool LicenseDialog::Close()
{
    return DestroyAndForget(window);
}

LRESULT LicenseDialog::LoadText()
{
    const std::optional<std::string> text = ReadLicenseText(nullptr);
    if (!text)
        MessageBoxA(nullptr, "Error loading EULA", "Error", MB_OK | MB_ICONWARNING);
    return SendMessageA(richEdit, WM_SETTEXT, 0,
                        text ? reinterpret_cast<LPARAM>(text->c_str()) : LPARAM{0});
}

LRESULT LicenseDialog::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam));
        break;
    case WM_NCDESTROY:
        OnNcDestroy(hwnd);
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void LicenseDialog::OnCreate(HWND hwnd)
{
    RECT client = {};
    GetClientRect(hwnd, &client);
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    richEdit = CreateChildControl(hwnd, WS_EX_CLIENTEDGE, kRichEditClass, "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_MULTILINE,
                                  10, 10, cw - 20, ch - 60, 0);
    okButton = CreateChildControl(hwnd, 0, "button", "OK", WS_CHILD | WS_VISIBLE, cw - 100, ch - 35,
                                  80, 20, IDC_LICENSE_OK);
    LoadText();
}

void LicenseDialog::OnCommand(int id)
{
    if (id == IDC_LICENSE_OK)
        Close();
}

void LicenseDialog::OnNcDestroy(HWND hwnd)
{
    // However the window goes, a later "License" must be able to open a new one.
    if (hwnd == window)
        window = nullptr;
}
