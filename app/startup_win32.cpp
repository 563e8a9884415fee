#include "app/startup.h"

#include "app/drive_list.h"
#include "app/main_window.h"
#include "app/rescan.h"

int RunVestrel(HINSTANCE instance)
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
    g_hDriveList = CreateDriveList(g_hMainWnd);
    ScanDrivesIntoList(g_hDriveList, *g_devices);
    RunMessageLoop();
    return 0;
}
