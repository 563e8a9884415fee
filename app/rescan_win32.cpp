#include "app/rescan.h"

#include "app/drive_list.h"
#include "app/drive_scan.h"
#include "app/list_view.h"
#include "app/program_state.h"

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

} // namespace

void ScanDrivesIntoList(HWND list, DeviceIo& devices)
{
    InsertDriveRows(list, ScanDriveRows(g_driveRecords, devices));
}

void RescanDrives(HWND list, DeviceIo& devices)
{
    if (g_rescanning) {
        g_rescanAsked = true;
        return;
    }
    g_rescanning = true;
    const HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    do {
        g_rescanAsked = false;
        ForgetDrives(list);
        ScanDrivesIntoList(list, devices);
    } while (g_rescanAsked);
    SetCursor(previous);
    g_rescanning = false;
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
