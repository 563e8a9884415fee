#include "app/rescan.h"

#include "app/drive_list.h"
#include "app/list_view.h"
#include "app/program_state.h"
#include "discovery/discovery_driver.h"
#include "rows/drive_rows.h"
#include "rows/drive_scan.h"

#include <dbt.h>

namespace {

// The disk device interface class.
constexpr GUID kDiskInterfaceClass = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

bool g_rescanning = false;
bool g_rescanAsked = false;

void ForgetDrives(HWND list)
{
    ListView(list).DeleteAllRows();
    g_driveRecords.Clear();
    g_selectedRow = -1;
    EnableWindow(g_hDownloadButton, FALSE);
}

// Dispatches this thread's messages until `ended` is signalled, or those
// already queued when `ended` is null. Returns false, with WM_QUIT posted
// again for the message loop, when the program is to end first.
bool DispatchUntil(HANDLE ended)
{
    // Messages already queued do not wake the wait, so they go first.
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            DispatchProgramMessage(msg);
        }
        if (!ended ||
            MsgWaitForMultipleObjects(1, &ended, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0)
            return true;
    }
}

// Runs `scan` of `devices` on a thread of its own while this thread goes on
// dispatching its messages. Returns false when the program is to end first.
bool ScanBeside(BackgroundScan::Scan scan, DeviceIo& devices, std::vector<DriveRecord>& drives)
{
    BackgroundScan background(scan, devices);
    if (!DispatchUntil(background.Ended()))
        return false;
    drives = background.Drives();
    return true;
}

// The volume query asks devices, so it runs beside the window as the identify
// scan does; the registry walk asks none and may show a warning box, which
// belongs on the window's thread.
bool Discover(DeviceIo& devices, std::vector<DriveRecord>& drives)
{
    if (DiscoveryQueriesVolumes())
        return ScanBeside(DiscoverVolumes, devices, drives);
    drives = DiscoverRegistryDrives();
    return true;
}

// Discovery's rows, then the identify scan's, while the window goes on
// answering. Returns false when the program is to end before the scan does.
bool FillList(HWND list, DeviceIo& devices)
{
    std::vector<DriveRecord> discovered;
    if (!Discover(devices, discovered))
        return false;
    InsertDriveRows(list, DiscoveredRows(g_driveRecords, discovered));
    // The window shows those rows and answers before the drives are asked.
    if (!DispatchUntil(nullptr))
        return false;
    std::vector<DriveRecord> identified;
    if (!ScanBeside(IdentifiedDrives, devices, identified))
        return false;
    InsertDriveRows(list, ListedRows({}, identified));
    return true;
}

// Scans into the list, and again while a rescan was asked for meanwhile (a
// warning box or the wait for the drives lets messages through): a scan never
// starts inside another.
void Scan(HWND list, DeviceIo& devices, bool rescan)
{
    if (g_rescanning) {
        g_rescanAsked = true;
        return;
    }
    g_rescanning = true;
    // Start-up shows none: loading the wait cursor costs it time.
    const HCURSOR previous = rescan ? SetCursor(LoadCursorA(nullptr, IDC_WAIT)) : nullptr;
    bool forget = rescan;
    do {
        g_rescanAsked = false;
        if (forget)
            ForgetDrives(list);
        forget = true;
    } while (FillList(list, devices) && g_rescanAsked);
    if (rescan)
        SetCursor(previous);
    g_rescanning = false;
}

} // namespace

void ScanDrivesIntoList(HWND list, DeviceIo& devices)
{
    Scan(list, devices, false);
}

void RescanDrives(HWND list, DeviceIo& devices)
{
    Scan(list, devices, true);
}

void DispatchProgramMessage(const MSG& msg)
{
    if (IsRescanKey(msg)) {
        SendMessageA(g_hMainWnd, WM_COMMAND, IDM_RESCAN, 0);
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool IsRescanKey(const MSG& msg)
{
    return msg.message == WM_KEYDOWN && msg.wParam == VK_F5 && g_hMainWnd &&
           (msg.hwnd == g_hMainWnd || IsChild(g_hMainWnd, msg.hwnd));
}

HDEVNOTIFY RegisterDiskNotifications(HWND mainWindow)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kDiskInterfaceClass;
    return RegisterDeviceNotificationA(mainWindow, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

bool IsDriveArrivalOrRemoval(WPARAM event, LPARAM data)
{
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    return header && (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE ||
                      header->dbch_devicetype == DBT_DEVTYP_VOLUME);
}
