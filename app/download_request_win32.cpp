#include "app/download_request.h"

#include "app/clipboard.h"
#include "app/list_view.h"
#include "app/program_state.h"
#include "platform/library_loading.h"
#include "rows/download_payload.h"
#include "rows/local_year.h"
#include "rows/row_text.h"

#include <shellapi.h>

#include <climits>

namespace {

// Reads the remembered row's serial into `serial` (kCellBufferSize bytes).
bool ReadRememberedSerial(char* serial)
{
    if (g_selectedRow < 0)
        return false;
    ListView(g_hDriveList).ReadCell(g_selectedRow, 1, serial, kCellBufferSize);
    return true;
}

using ShellExecuteExFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);

void OpenAddress(HWND mainWindow, const char* address, ShellExecuteExFinder findShellExecuteEx)
{
    auto shellExecuteEx =
        reinterpret_cast<ShellExecuteExFunction>(reinterpret_cast<void*>(findShellExecuteEx()));
    if (!shellExecuteEx)
        return;
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = 0;
    request.hwnd = mainWindow;
    request.lpVerb = "open";
    request.lpFile = address;
    request.nShow = SW_SHOWNORMAL;
    shellExecuteEx(&request);
}

void SendDownloadRequest(HWND mainWindow, __time64_t now, ShellExecuteExFinder findShellExecuteEx)
{
    char serial[kCellBufferSize];
    int year = 0;
    std::string payload;
    std::string address;
    if (!ReadRememberedSerial(serial) || !LocalYear(now, &year) ||
        !ComposeDownloadRequest(serial, year, payload, address))
        return;
    // The plain request goes on the clipboard too; a refusal does not stop it.
    CopyTextToClipboard(mainWindow, payload.c_str());
    OpenAddress(mainWindow, address.c_str(), findShellExecuteEx);
}

} // namespace

// Looked up, not imported: the shell and the libraries it brings would
// otherwise load at every start, for a button most runs never press.
FARPROC FindShellExecuteEx()
{
    return SystemDllFunction("shell32.dll", "ShellExecuteExA");
}

// The 64-bit time functions on every build: the 32-bit runtime's time_t
// runs out in January 2038.

void RequestDownload(HWND mainWindow)
{
    RequestDownload(mainWindow, _time64(nullptr));
}

void RequestDownload(HWND mainWindow, __time64_t now, ShellExecuteExFinder findShellExecuteEx)
{
    SendDownloadRequest(mainWindow, now, findShellExecuteEx);
    EnableWindow(g_hDownloadButton, FALSE);
}
