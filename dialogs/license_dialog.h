#pragma once

#include <windows.h>

#include <optional>
#include <string>

// Control id of the License window's "OK" button.
constexpr int IDC_LICENSE_OK = 305;

// The License window: the license agreement in a read-only rich-edit control
// and an "OK" button. At most one exists at a time; it has no owner.
class LicenseDialog {
public:
    // Registers the License window class and, when that works, loads the
    // rich-edit library from the system folder. A failure to register leaves
    // the object unable to open a window.
    LicenseDialog();
    LicenseDialog(const LicenseDialog&) = delete;
    LicenseDialog& operator=(const LicenseDialog&) = delete;

    // Creates and shows the License window. Returns false, and does nothing,
    // when the class is not registered or a License window is already open or
    // being opened; returns false when the window cannot be created.
    bool Open();

    // Destroys the License window. Returns false when none is open or it
    // cannot be destroyed.
    bool Close();

    // Puts the license agreement into the rich-edit control, or shows
    // "Error loading EULA" and empties the control when the program has no
    // agreement. Returns the result of the WM_SETTEXT.
    LRESULT LoadText();

private:
    template <typename Dialog>
    friend LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCreate(HWND hwnd);
    void OnCommand(int id);
    void OnNcDestroy(HWND hwnd);

    bool registered = false;
    HWND richEdit = nullptr;
    HWND okButton = nullptr;
    // Set while Open runs: the error box of LoadText lets the user press
    // "License" again before the first window exists.
    bool opening = false;

    static HWND window;
    static HMODULE richEditLibrary;
};

// The bytes of the program's "EULA" resource as an owned, terminated text,
// or nothing when the module has none or it cannot be loaded. A null module
// means the program itself.
std::optional<std::string> ReadLicenseText(HMODULE module);
