#include "app/download_request.h"
#include "app/drive_list.h"
#include "app/main_window.h"
#include "platform/library_loading.h"
#include "rows/download_payload.h"
#include "tests/win32/support/clipboard_probe.h"
#include "tests/win32/support/message_box_watcher.h"
#include "tests/win32/support/program_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Windows looks up the user's classes first; Wine 8 reads only the machine's,
// so the test's own prefix gets the handler there too, for the run's length.
constexpr char kUserHandlerKey[] = "Software\\Classes\\https";
constexpr char kCommandKey[] = "Software\\Classes\\https\\shell\\open\\command";
constexpr char kRecordedEvent[] = "VestrelTestAddressRecorded";
constexpr char kUntouched[] = "clipboard before the test";

// 2024-06-15 12:00 UTC: 2024 in every time zone.
constexpr __time64_t kMid2024 = 1718452800;

std::string Page()
{
    return "https://" + std::string(kDownloadHost) +
           "/downloads/request.html?userPreferredLocaleCookie=en_EN_&fryqrp=";
}

bool ReadDefaultValue(HKEY root, const char* path, std::string* value)
{
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(root, path, nullptr, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return false;
    *value = data;
    return true;
}

bool WriteDefaultValue(HKEY root, const char* path, const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG result =
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// Makes `command` the program that opens https addresses, and undoes that
// when it goes.
class HttpsHandler {
public:
    explicit HttpsHandler(const std::string& command)
    {
        registered = WriteDefaultValue(HKEY_CURRENT_USER, kCommandKey, command);
        hadMachineHandler = ReadDefaultValue(HKEY_LOCAL_MACHINE, kCommandKey, &machineHandler);
        WriteDefaultValue(HKEY_LOCAL_MACHINE, kCommandKey, command);
    }
    ~HttpsHandler()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kUserHandlerKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, kUserHandlerKey);
        if (hadMachineHandler)
            WriteDefaultValue(HKEY_LOCAL_MACHINE, kCommandKey, machineHandler);
        else
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCommandKey);
    }
    HttpsHandler(const HttpsHandler&) = delete;
    HttpsHandler& operator=(const HttpsHandler&) = delete;

    bool registered = false;

private:
    bool hadMachineHandler = false;
    std::string machineHandler;
};

// Registers a url_recorder as the https handler, so the shell really runs a
// handler and the test reads the addresses it was given.
class DownloadTest : public ProgramWindowTest {
protected:
    static void SetUpTestSuite()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        recordFile = std::string(temp) + "vestrel_recorded_addresses.txt";
        recorded = CreateEventA(nullptr, FALSE, FALSE, kRecordedEvent);
        const std::string command = "\"" VESTREL_URL_RECORDER_PATH "\" \"" + recordFile + "\" " +
                                    kRecordedEvent + " \"%1\"";
        handler = new HttpsHandler(command);
    }

    static void TearDownTestSuite()
    {
        delete handler;
        CloseHandle(recorded);
        DeleteFileA(recordFile.c_str());
    }

    void SetUp() override
    {
        ASSERT_TRUE(handler->registered);
        ProgramWindowTest::SetUp();
        InsertDriveRow(g_hDriveList, "ZQ3104562AS", "NA12345X", "CC46");
        InsertDriveRow(g_hDriveList, "ZQP12345678AS", "na12345x", "AB1C");
        InsertDriveRow(g_hDriveList, "ZQ3999999SV", "", "CC46");
        InsertDriveRow(g_hDriveList, "ZQ3888888NS", "AB-1", "CC46");
        SetClipboardTextForTest(g_hMainWnd, kUntouched);
        DeleteFileA(recordFile.c_str());
        ResetEvent(recorded);
    }

    bool ButtonEnabled() const { return IsWindowEnabled(g_hDownloadButton) != FALSE; }

    // The addresses the handler has been given so far, after waiting for
    // one more to arrive.
    std::vector<std::string> WaitForAddresses()
    {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(recorded, 10000));
        std::vector<std::string> addresses;
        std::ifstream file(recordFile);
        for (std::string line; std::getline(file, line);)
            addresses.push_back(line);
        return addresses;
    }

    // Expects a request to do nothing but leave the button disabled; a
    // request for row 0 that follows shows that the shell got no address.
    template <typename Action> void ExpectOnlyDisabled(Action action)
    {
        EnableWindow(g_hDownloadButton, TRUE);
        action();
        EXPECT_FALSE(ButtonEnabled());
        EXPECT_EQ(kUntouched, ClipboardText());

        ClickRow(0);
        RequestDownload(g_hMainWnd, kMid2024);
        EXPECT_EQ(std::vector<std::string>{Page() + "QYSAQEAN67890K7579"}, WaitForAddresses());
        DeleteFileA(recordFile.c_str());
        SetClipboardTextForTest(g_hMainWnd, kUntouched);
    }

    // The last address the handler was given, after waiting for it.
    std::string LastAddress()
    {
        const std::vector<std::string> addresses = WaitForAddresses();
        return addresses.empty() ? "<none>" : addresses.back();
    }

    static HttpsHandler* handler;
    static std::string recordFile;
    static HANDLE recorded;
};

HttpsHandler* DownloadTest::handler = nullptr;

std::string DownloadTest::recordFile;
HANDLE DownloadTest::recorded = nullptr;

TEST_F(DownloadTest, OpensTheAddressAndLeavesThePlainPayloadOnTheClipboard)
{
    ClickRow(0);
    ASSERT_TRUE(ButtonEnabled());
    RequestDownload(g_hMainWnd, kMid2024);

    EXPECT_EQ(std::vector<std::string>{Page() + "QYSAQEAN67890K7579"}, WaitForAddresses());
    EXPECT_EQ("DLFNDRNA12345X2024", ClipboardText());
    EXPECT_FALSE(ButtonEnabled());
}

TEST_F(DownloadTest, SmallLettersAndEmptySerialsAsShown)
{
    ClickRow(1);
    RequestDownload(g_hMainWnd, kMid2024 + 365 * 24 * 3600);
    EXPECT_EQ("DLFNDRna12345x2025", ClipboardText());
    EXPECT_EQ(Page() + "QYSAQEan67890k7570", LastAddress());

    ClickRow(2);
    ASSERT_TRUE(ButtonEnabled());
    RequestDownload(g_hMainWnd, kMid2024);
    EXPECT_EQ("DLFNDR2024", ClipboardText());
    EXPECT_EQ(Page() + "QYSAQE7579", LastAddress());
}

TEST_F(DownloadTest, YearsPast2038)
{
    // Mid-June 2040 and 2100, when a 32-bit time has long run out.
    ClickRow(0);
    RequestDownload(g_hMainWnd, 2223374400LL);
    EXPECT_EQ("DLFNDRNA12345X2040", ClipboardText());
    EXPECT_EQ(Page() + "QYSAQEAN67890K7595", LastAddress());

    ClickRow(0);
    RequestDownload(g_hMainWnd, 4116744000LL);
    EXPECT_EQ("DLFNDRNA12345X2100", ClipboardText());
    EXPECT_EQ(Page() + "QYSAQEAN67890K7655", LastAddress());
}

// Sets the runtime's time zone for as long as it lives.
class TimeZone {
public:
    explicit TimeZone(const char* tz)
    {
        _putenv_s("TZ", tz);
        _tzset();
    }
    ~TimeZone()
    {
        _putenv_s("TZ", "");
        _tzset();
    }
};

TEST_F(DownloadTest, YearIsTheLocalOneAtThePress)
{
    // 2024-12-31 23:30 UTC: already 2025 an hour east, still 2024 to the west.
    const __time64_t newYearsEve = 1735687800;
    {
        TimeZone zone("CET-1");
        ClickRow(0);
        RequestDownload(g_hMainWnd, newYearsEve);
        EXPECT_EQ("DLFNDRNA12345X2025", ClipboardText());
        EXPECT_EQ(Page() + "QYSAQEAN67890K7570", LastAddress());
    }
    {
        TimeZone zone("EST5");
        ClickRow(0);
        RequestDownload(g_hMainWnd, newYearsEve);
        EXPECT_EQ("DLFNDRNA12345X2024", ClipboardText());
        EXPECT_EQ(Page() + "QYSAQEAN67890K7579", LastAddress());
    }
}

TEST_F(DownloadTest, ButtonCommandUsesTheLocalYearNow)
{
    ClickRow(0);
    SendMessageA(g_hMainWnd, WM_COMMAND, IDC_DOWNLOAD, 0);
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string year = std::to_string(now.wYear);
    std::string scrambledYear;
    for (char digit : year)
        scrambledYear += static_cast<char>('0' + (digit - '0' + 5) % 10);

    EXPECT_EQ("DLFNDRNA12345X" + year, ClipboardText());
    EXPECT_EQ(Page() + "QYSAQEAN67890K" + scrambledYear, LastAddress());
    EXPECT_FALSE(ButtonEnabled());
}

TEST_F(DownloadTest, ANewClickAllowsAnotherRequestForTheClickedRow)
{
    ClickRow(0);
    RequestDownload(g_hMainWnd, kMid2024);
    WaitForAddresses();
    ASSERT_FALSE(ButtonEnabled());

    ClickRow(0);
    EXPECT_TRUE(ButtonEnabled());
    // Moving the selection afterwards does not change the row requested.
    PressKey(g_hDriveList, WM_KEYDOWN, VK_DOWN, false);
    ASSERT_EQ(1, ListView_GetNextItem(g_hDriveList, -1, LVNI_SELECTED));
    SendMessageA(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_DOWNLOAD, BN_CLICKED), 0);
    const auto addresses = WaitForAddresses();
    ASSERT_EQ(2u, addresses.size());
    EXPECT_EQ(0u, addresses[1].find(Page() + "QYSAQEAN67890K"));
    EXPECT_FALSE(ButtonEnabled());
}

TEST_F(DownloadTest, HeldClipboardDoesNotStopTheRequestAndShowsNothing)
{
    ClickRow(0);
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.Holding());
        MessageBoxWatcher watcher("Vestrel");
        RequestDownload(g_hMainWnd, kMid2024);
        EXPECT_TRUE(watcher.Finish().empty());
    }
    EXPECT_EQ(std::vector<std::string>{Page() + "QYSAQEAN67890K7579"}, WaitForAddresses());
    EXPECT_EQ(kUntouched, ClipboardText());
    EXPECT_FALSE(ButtonEnabled());
}

TEST_F(DownloadTest, WithoutTheShellThePageDoesNotOpenAndNothingIsShown)
{
    // A shell that is not in the system folder, and a library there that
    // has no ShellExecuteExA.
    const ShellExecuteExFinder missingShells[] = {
        [] { return SystemDllFunction("vestrel_missing_shell.dll", "ShellExecuteExA"); },
        [] { return SystemDllFunction("version.dll", "ShellExecuteExA"); },
    };
    for (ShellExecuteExFinder missingShell : missingShells) {
        ClickRow(0);
        {
            MessageBoxWatcher watcher("Vestrel");
            RequestDownload(g_hMainWnd, kMid2024, missingShell);
            EXPECT_TRUE(watcher.Finish().empty());
        }
        EXPECT_EQ("DLFNDRNA12345X2024", ClipboardText());
        EXPECT_FALSE(ButtonEnabled());
    }
    // The handler's first address is that of the next request, with the shell.
    ClickRow(1);
    RequestDownload(g_hMainWnd, kMid2024);
    EXPECT_EQ(std::vector<std::string>{Page() + "QYSAQEan67890k7579"}, WaitForAddresses());
}

TEST_F(DownloadTest, UnreadableClockOnlyDisablesTheButton)
{
    ExpectOnlyDisabled([] {
        g_selectedRow = 0;
        RequestDownload(g_hMainWnd, -1);
    });
    // 3001-01-02: past what the runtime converts.
    ExpectOnlyDisabled([] {
        g_selectedRow = 0;
        RequestDownload(g_hMainWnd, 32535302400LL);
    });
}

TEST_F(DownloadTest, NoRowOrAnUnusableSerialOnlyDisablesTheButton)
{
    ExpectOnlyDisabled([] {
        g_selectedRow = -1;
        SendMessageA(g_hMainWnd, WM_COMMAND, IDC_DOWNLOAD, 0);
    });
    ExpectOnlyDisabled([] {
        g_selectedRow = 3; // "AB-1": no click would have enabled the button
        RequestDownload(g_hMainWnd, kMid2024);
    });
}

} // namespace
