#include "app/drive_list.h"
#include "app/drive_rows.h"
#include "app/main_window.h"
#include "app/program_objects.h"
#include "identify/identify_scanner.h"
#include "platform/device_io.h"

#include <windows.h>

// The program-wide objects, defined here together so that they are
// constructed in this order before WinMain runs.
DriveRecordList g_driveRecords;

// The About window arrives later; until then "Help-About" opens nothing.
void OpenAboutWindow() {}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_hInstance = instance;
    if (!RegisterMainWindowClass())
        return 0;
    g_hMainWnd = CreateMainWindow();
    // Without a window nothing could ever end the message loop.
    if (!g_hMainWnd)
        return 0;
    ShowWindow(g_hMainWnd, SW_SHOW);
    InitListViewControls();
    g_hDriveList = CreateDriveList();
    PopulateDriveList(g_hDriveList);
    IdentifyScanner scanner(SystemDeviceIo());
    scanner.ScanDrives(g_hDriveList);
    RunMessageLoop();
    return 0;
}
