#include "app/program_state.h"

HINSTANCE g_hInstance = nullptr;
HWND g_hMainWnd = nullptr;
HWND g_hDriveList = nullptr;
HWND g_hDownloadButton = nullptr;
WNDPROC g_pfnOldListProc = nullptr;
int g_selectedRow = -1;
DeviceIo* g_devices = &SystemDeviceIo();
DriveRecordList g_driveRecords;
