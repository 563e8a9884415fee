#pragma once

#include "dialogs/license_dialog.h"

#include <windows.h>

// Control ids of the About window's buttons.
constexpr int IDC_ABOUT_OK = 101;
constexpr int IDC_ABOUT_LICENSE = 102;

// The About window: banner, product and version, a paragraph on reading the
// drive list, the copyright notice, and the "License" and "OK" buttons. At
// most one exists at a time; it has no owner. The program has one instance,
// defined with its other program-wide objects.
class AboutDialog {
public:
    // Constructs the License dialog (which registers its class), then
    // registers the About window class. A failure leaves the object unable to
    // open a window.
    AboutDialog();
    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;

    // Creates and shows the About window, or shows an open one again and
    // brings it to the front (a minimised one stays minimised). Returns true
    // only when it created a window.
    bool Open();

    // Destroys the About window. Returns false when none is open or it cannot
    // be destroyed. An open License window stays.
    bool Close();

private:
    template <typename Dialog>
    friend LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void OnCreate(HWND hwnd);
    void CreateControls(HWND hwnd);
    void ApplyBannerAndFonts();
    void OnCommand(int id);
    LRESULT OnCtlColorStatic(HDC dc);
    void OnNcDestroy(HWND hwnd);

    HWND okButton = nullptr;
    HWND licenseButton = nullptr;
    HWND copyrightText = nullptr;
    HWND versionText = nullptr;
    HWND infoText = nullptr;
    HWND banner = nullptr;
    bool registered = false;
    LicenseDialog license;
    // Made at every opening; the controls do not own them, so they are
    // deleted when the window is gone.
    HBITMAP bannerBitmap = nullptr;
    HFONT copyrightFont = nullptr;
    HFONT infoFont = nullptr;
    bool opening = false;

    static HWND window;
};
