#include "app/drive_list.h"
#include "app/drive_rows.h"
#include "app/main_window.h"
#include "app/program_objects.h"
#include "dialogs/about_dialog.h"
#include "identify/identify_scanner.h"
#include "platform/device_io.h"

#include <windows.h>

// The program-wide objects, defined here together so that they are
// constructed in this order before WinMain runs.
DriveRecordList g_driveRecords;
// Registers the About and License window classes and loads the rich-edit
// library, before the main window exists.
AboutDialog g_aboutDialog;

void OpenAboutWindow()
{
    g_aboutDialog.Open();
}

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
