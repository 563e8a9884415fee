// Rescans of the real main window: on its command, after a burst of device
// notifications, during the start-up scan, and a thousand in a row; and the
// window while a drive never answers.

#include "app/clipboard.h"
#include "app/main_window.h"
#include "app/program_state.h"
#include "app/rescan.h"
#include "platform/timed_device_io.h"
#include "tests/win32/support/clipboard_probe.h"
#include "tests/win32/support/process_handles.h"
#include "tests/win32/support/program_window.h"

#include <commctrl.h>
#include <dbt.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// No drive answers; each identify scan shows as one open of its first drive,
// the only one there is.
class NoDrives : public DeviceIo {
public:
    bool Exists(const char* path) override
    {
        return std::strcmp(path, "\\\\.\\PhysicalDrive0") == 0;
    }
    HANDLE Open(const char* path, DWORD, DWORD) override
    {
        if (Exists(path)) {
            ++scans;
            if (duringFirstScan)
                std::exchange(duringFirstScan, nullptr)();
        }
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    bool Control(HANDLE, DWORD, const void*, DWORD, void*, DWORD, DWORD*) override { return false; }
    void Close(HANDLE) override {}

    int scans = 0;
    std::function<void()> duringFirstScan;
};

void PumpMessagesFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        DispatchPending();
    }
}

class RescanTest : public ProgramWindowTest {
protected:
    void SetUp() override
    {
        ProgramWindowTest::SetUp();
        g_devices = &drives;
    }
    void TearDown() override
    {
        g_devices = &SystemDeviceIo();
        ProgramWindowTest::TearDown();
    }
    static void Rescan() { SendMessageA(g_hMainWnd, WM_COMMAND, IDM_RESCAN, 0); }

    NoDrives drives;
};

TEST_F(RescanTest, ListIsMadeAgainAndNothingOfTheOldOneIsRemembered)
{
    Rescan();
    const std::vector<std::string> scanned = ListedModels(g_hDriveList);
    const std::size_t records = g_driveRecords.Count();
    AddRow("ZQ3104562AS", "5VJ0A1B2", "CC46");
    ClickRow(static_cast<int>(scanned.size()));
    ASSERT_TRUE(IsWindowEnabled(g_hDownloadButton));

    Rescan();
    EXPECT_EQ(scanned, ListedModels(g_hDriveList));
    EXPECT_EQ(records, g_driveRecords.Count()) << "the records were added to, not made again";
    EXPECT_EQ(2, drives.scans);
    EXPECT_EQ(-1, g_selectedRow);
    EXPECT_FALSE(IsWindowEnabled(g_hDownloadButton));
    // No row has the focus, so there is nothing to copy.
    SetClipboardTextForTest(g_hMainWnd, "before");
    CopyFocusedRow(g_hMainWnd, g_hDriveList);
    EXPECT_EQ("before", ClipboardText());
}

// A warning box of the scan lets messages through: F5 pressed then must not
// start a scan inside the running one.
TEST_F(RescanTest, RescansAskedForDuringOneRunOnceAfterIt)
{
    int scansSeenInside = -1;
    drives.duringFirstScan = [&] {
        Rescan();
        Rescan();
        scansSeenInside = drives.scans;
    };
    Rescan();
    EXPECT_EQ(1, scansSeenInside);
    EXPECT_EQ(2, drives.scans);
}

// A drive plugged in while a warning box of the start-up scan is open.
TEST_F(RescanTest, RescansAskedForDuringTheStartUpScanRunOnceAfterIt)
{
    int scansSeenInside = -1;
    drives.duringFirstScan = [&] {
        Rescan();
        scansSeenInside = drives.scans;
    };
    ScanDrivesIntoList(g_hDriveList, drives);
    EXPECT_EQ(1, scansSeenInside);
    EXPECT_EQ(2, drives.scans);
    const std::vector<std::string> models = ListedModels(g_hDriveList);
    Rescan();
    EXPECT_EQ(ListedModels(g_hDriveList), models) << "rows of two scans in one list";
}

// Drive 0 opens and never answers a request until released.
class SilentDrive : public DeviceIo {
public:
    HANDLE Open(const char* path, DWORD, DWORD) override
    {
        if (std::strcmp(path, "\\\\.\\PhysicalDrive0") != 0)
            return INVALID_HANDLE_VALUE;
        return reinterpret_cast<HANDLE>(0x1000);
    }
    bool Control(HANDLE, DWORD, const void*, DWORD, void*, DWORD, DWORD*) override
    {
        WaitForSingleObject(released, INFINITE);
        return false;
    }
    void Close(HANDLE) override {}

    HANDLE released = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// What a user sees of the window while the start-up scan waits for a drive.
struct SilentScanProbe {
    SilentDrive* drive;
    HANDLE scanEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool painted = false;
    bool answered = false;
    DWORD closedAt = 0;
};

DWORD WINAPI ProbeTheWindow(void* parameter)
{
    auto& probe = *static_cast<SilentScanProbe*>(parameter);
    Sleep(300);
    InvalidateRect(g_hMainWnd, nullptr, TRUE);
    Sleep(500);
    probe.painted = !GetUpdateRect(g_hMainWnd, nullptr, FALSE);
    DWORD_PTR result = 0;
    probe.answered =
        SendMessageTimeoutA(g_hMainWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);
    probe.closedAt = GetTickCount();
    PostMessageA(GetDlgItem(g_hMainWnd, IDC_CLOSE), BM_CLICK, 0, 0);
    // A window that never answers would keep the test waiting for ever.
    if (WaitForSingleObject(probe.scanEnded, kDeviceDeadlineMs + 4000) != WAIT_OBJECT_0)
        SetEvent(probe.drive->released);
    return 0;
}

TEST_F(RescanTest, TheWindowPaintsAndClosesWhileADriveNeverAnswers)
{
    // Left to the process's end: an abandoned request may still be using it.
    static SilentDrive* const silent = new SilentDrive;
    SilentScanProbe probe{silent};
    const HANDLE prober = CreateThread(nullptr, 0, ProbeTheWindow, &probe, 0, nullptr);
    ASSERT_NE(nullptr, prober);

    ScanDrivesIntoList(g_hDriveList, *silent);
    const DWORD closing = GetTickCount() - probe.closedAt;
    SetEvent(probe.scanEnded);
    WaitForSingleObject(prober, INFINITE);
    CloseHandle(prober);
    CloseHandle(probe.scanEnded);
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "Close ends the program";
    SetEvent(silent->released);

    EXPECT_TRUE(probe.painted);
    EXPECT_TRUE(probe.answered);
    EXPECT_LT(closing, kDeviceDeadlineMs + 2000);
}

TEST_F(RescanTest, ABurstOfDriveNotificationsGivesOneRescanAfterTheLast)
{
    DEV_BROADCAST_HDR port = {sizeof port, DBT_DEVTYP_PORT, 0};
    SendMessageA(g_hMainWnd, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&port));
    PumpMessagesFor(800);
    EXPECT_EQ(0, drives.scans) << "a port is no drive";

    DEV_BROADCAST_HDR volume = {sizeof volume, DBT_DEVTYP_VOLUME, 0};
    for (WPARAM event : {DBT_DEVICEARRIVAL, DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE,
                         DBT_DEVICEARRIVAL, DBT_DEVICEARRIVAL}) {
        SendMessageA(g_hMainWnd, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
        PumpMessagesFor(100);
    }
    EXPECT_EQ(0, drives.scans) << "rescanned before the burst was over";
    PumpMessagesFor(1000);
    EXPECT_EQ(1, drives.scans);
}

// Wine counts no GDI or window objects (GetGuiResources answers 0 there); on
// Windows those counts are checked too.
TEST_F(RescanTest, AThousandRescansLeaveHandleAndGdiCountsAsTheyWere)
{
    Rescan();
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const long handlesBefore = OpenHandleCount();
    ASSERT_GT(handlesBefore, 0);

    for (int i = 0; i < 1000; ++i)
        Rescan();

    // The last request's thread may still be letting go of its events, and
    // the window finishing a paint, when the rescan returns: a count gets a
    // moment to come back.
    const auto settled = [](long before, const std::function<long()>& count) {
        for (int wait = 0; wait < 100 && count() != before; ++wait) {
            Sleep(10);
            DispatchPending();
        }
        return count();
    };
    EXPECT_EQ(handlesBefore, settled(handlesBefore, OpenHandleCount));
    EXPECT_EQ(static_cast<long>(gdiBefore), settled(gdiBefore, [] {
                  return static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
              }));
    EXPECT_EQ(static_cast<long>(userBefore), settled(userBefore, [] {
                  return static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
              }));
    EXPECT_EQ(1001, drives.scans);
}

} // namespace
