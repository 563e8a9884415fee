// The License window, opened in this process. With a "EULA" resource in the
// program it shows the agreement; without one it shows "Error loading EULA".
// This file builds into two test programs, with and without the resources.

#include "dialogs/license_dialog.h"
#include "res/resource.h"
#include "tests/win32/support/dialog_probe.h"
#include "tests/win32/support/message_box_watcher.h"

#include <gtest/gtest.h>

#include <richedit.h>

namespace {

constexpr char kLicenseClass[] = "vestrel_licensedlg";

bool ProgramHasLicense()
{
    return FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_EULA), "EULA") != nullptr;
}

class LicenseWindow : public ::testing::Test {
protected:
    static LicenseDialog& Dialog()
    {
        static LicenseDialog dialog; // registers the class, once per program
        return dialog;
    }

    void TearDown() override
    {
        DestroyWindowsOfClass(kLicenseClass);
        DispatchPending();
    }

    static HWND OnlyWindow()
    {
        const std::vector<HWND> windows = WindowsOfClass(kLicenseClass);
        return windows.size() == 1 ? windows[0] : nullptr;
    }

    static HWND RichEdit(HWND license)
    {
        return FindWindowExA(license, nullptr, "RichEdit20A", nullptr);
    }
};

// Typing into the text area changes nothing.
void ExpectReadOnly(HWND richEdit)
{
    const std::string before = WindowText(richEdit);
    SendMessageA(richEdit, WM_CHAR, 'x', 0);
    SendMessageA(richEdit, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_EQ(before, WindowText(richEdit));
}

class LicenseWithAgreement : public LicenseWindow {
protected:
    void SetUp() override
    {
        if (!ProgramHasLicense())
            GTEST_SKIP() << "this program carries no license agreement";
    }
};

class LicenseWithoutAgreement : public LicenseWindow {
protected:
    void SetUp() override
    {
        if (ProgramHasLicense())
            GTEST_SKIP() << "this program carries a license agreement";
    }
};

TEST_F(LicenseWithAgreement, IsAFixedSizeWindowWithTextAreaAndOkButton)
{
    ASSERT_TRUE(Dialog().Open());
    HWND license = OnlyWindow();
    ASSERT_NE(nullptr, license);
    EXPECT_EQ("End User License Agreement", WindowText(license));
    EXPECT_EQ(nullptr, GetWindow(license, GW_OWNER));
    RECT outer = {};
    GetWindowRect(license, &outer);
    EXPECT_EQ(1000, outer.right - outer.left);
    EXPECT_EQ(500, outer.bottom - outer.top);
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(license, GWL_STYLE));
    EXPECT_EQ(DWORD{WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX},
              style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    RECT client = {};
    GetClientRect(license, &client);
    const LONG cw = client.right;
    const LONG ch = client.bottom;
    const std::vector<HWND> controls = Children(license);
    ASSERT_EQ(2u, controls.size());
    ControlLook text = LookOf(controls[0]);
    text.text.clear(); // the agreement, checked below
    const ControlLook expectedText = {
        "RichEdit20A", "", WS_EX_CLIENTEDGE, 0x50200804, {10, 10, cw - 10, ch - 50}, 0};
    EXPECT_EQ(expectedText, text);
    const ControlLook expectedOk = {
        "Button",      "OK", 0, WS_CHILD | WS_VISIBLE, {cw - 100, ch - 35, cw - 20, ch - 15},
        IDC_LICENSE_OK};
    EXPECT_EQ(expectedOk, LookOf(controls[1]));
}

TEST_F(LicenseWithAgreement, ShowsTheFormattedAgreementCompleteAndReadOnly)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_EULA), "EULA");
    const auto* resource = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    const DWORD size = SizeofResource(nullptr, found);
    ASSERT_NE(nullptr, resource);
    ASSERT_EQ('}', resource[size - 1]);
    const char byteAfter = resource[size];

    std::string firstText;
    for (int opening = 0; opening < 3; ++opening) {
        ASSERT_TRUE(Dialog().Open());
        HWND richEdit = RichEdit(OnlyWindow());
        ASSERT_NE(nullptr, richEdit);
        const std::string shown = WindowText(richEdit);
        // The document, not its source: no control words or groups.
        EXPECT_EQ(0u, shown.rfind("Vestrel End User License Agreement", 0)) << shown.substr(0, 80);
        EXPECT_EQ(std::string::npos, shown.find_first_of("\\{}"));
        EXPECT_NE(std::string::npos, shown.find("described in our privacy notice"));
        EXPECT_EQ(std::string::npos, shown.find("HYPERLINK")); // field code hidden
        EXPECT_NE(std::string::npos, shown.find("Copyright \xA9 2016 Corvane Technology."));
        // The last paragraph arrived whole.
        const std::size_t end = shown.find_last_not_of("\r\n");
        ASSERT_NE(std::string::npos, end);
        EXPECT_EQ("All rights reserved.", shown.substr(end + 1 - 20, 20));
        ExpectReadOnly(richEdit);
        if (opening == 0)
            firstText = shown;
        EXPECT_EQ(firstText, shown);
        ASSERT_TRUE(Dialog().Close());
    }
    // The text was copied, never terminated in place.
    EXPECT_EQ(byteAfter, resource[size]);
}

TEST_F(LicenseWithAgreement, OpensOnceAndClosesByOkOrCloseBox)
{
    ASSERT_TRUE(Dialog().Open());
    HWND license = OnlyWindow();
    ASSERT_NE(nullptr, license);
    EXPECT_FALSE(Dialog().Open());
    EXPECT_EQ(std::vector<HWND>{license}, WindowsOfClass(kLicenseClass));

    SendMessageA(GetDlgItem(license, IDC_LICENSE_OK), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(license));
    EXPECT_FALSE(Dialog().Close());

    ASSERT_TRUE(Dialog().Open());
    license = OnlyWindow();
    SendMessageA(license, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(license));

    // A window destroyed behind the dialog's back does not block the next one.
    ASSERT_TRUE(Dialog().Open());
    DestroyWindow(OnlyWindow());
    EXPECT_TRUE(Dialog().Open());
}

TEST_F(LicenseWithoutAgreement, WarnsAtEveryOpeningThenShowsAnEmptyReadOnlyArea)
{
    for (int opening = 0; opening < 2; ++opening) {
        MessageBoxWatcher watcher("Error");
        ASSERT_TRUE(Dialog().Open()); // returns once the watcher has pressed OK
        const std::vector<SeenMessageBox>& boxes = watcher.Wait();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Error loading EULA", boxes[0].text);
        EXPECT_EQ(nullptr, boxes[0].owner);
        EXPECT_EQ(std::vector<int>{IDOK}, boxes[0].buttonIds);
        EXPECT_EQ(LoadIconA(nullptr, IDI_EXCLAMATION), boxes[0].icon);

        HWND license = OnlyWindow();
        ASSERT_NE(nullptr, license);
        EXPECT_TRUE(IsWindowVisible(license));
        HWND richEdit = RichEdit(license);
        ASSERT_NE(nullptr, richEdit);
        EXPECT_EQ("", WindowText(richEdit));
        ExpectReadOnly(richEdit);
        ASSERT_TRUE(Dialog().Close());
    }
}

// A window whose procedure opens the License window again, as a press on
// "License" would while the error box is up.
LRESULT CALLBACK ReopenProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_APP) {
        auto* dialog = reinterpret_cast<LicenseDialog*>(wParam);
        *reinterpret_cast<int*>(lParam) = dialog->Open() ? 1 : 0;
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(LicenseWithoutAgreement, PressDuringTheErrorBoxOpensNoSecondWindow)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReopenProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "reopen_license";
    RegisterClassA(&wc);
    HWND helper = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(nullptr, helper);

    int innerResult = -1;
    // Waits in the queue until the error box's message loop dispatches it.
    PostMessageA(helper, WM_APP, reinterpret_cast<WPARAM>(&Dialog()),
                 reinterpret_cast<LPARAM>(&innerResult));
    MessageBoxWatcher watcher("Error", 2, 500); // a second box would come at once
    EXPECT_TRUE(Dialog().Open());
    EXPECT_EQ(1u, watcher.Wait().size());
    EXPECT_EQ(0, innerResult);

    HWND license = OnlyWindow();
    ASSERT_NE(nullptr, license);
    SendMessageA(GetDlgItem(license, IDC_LICENSE_OK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WindowsOfClass(kLicenseClass).empty());
    DestroyWindow(helper);
}

} // namespace
