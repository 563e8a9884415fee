#include "app/download_request.h"

#include "app/clipboard.h"
#include "app/download_payload.h"
#include "app/list_view.h"
#include "app/program_state.h"
#include "app/serial_text.h"
#include "platform/bounded_text.h"

#include <shellapi.h>

#include <climits>

namespace {

// Reads the remembered row's serial into `serial` (kCellBufferSize bytes).
// False unless a row is remembered and its serial still passes the serial
// test, which is what keeps the address free of characters to encode.
bool ReadRememberedSerial(char* serial)
{
    if (g_selectedRow < 0)
        return false;
    ListView(g_hDriveList).ReadCell(g_selectedRow, 1, serial, kCellBufferSize);
    char checked[kCellBufferSize];
    CopyText(checked, sizeof checked, serial);
    return IsValidSerialText(checked);
}

void OpenAddress(HWND mainWindow, const char* address)
{
    SHELLEXECUTEINFOA request = {};
    request.cbSize = sizeof request;
    request.fMask = 0;
    request.hwnd = mainWindow;
    request.lpVerb = "open";
    request.lpFile = address;
    request.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&request);
}

void SendDownloadRequest(HWND mainWindow, __time64_t now)
{
    char serial[kCellBufferSize];
    int year = 0;
    if (!ReadRememberedSerial(serial) || !LocalYear(now, &year))
        return;
    char payload[kComposedTextSize];
    BuildDownloadPayload(serial, year, payload);
    char address[kDownloadAddressSize];
    BuildDownloadAddress(payload, address);
    // The plain request goes on the clipboard too; a refusal does not stop it.
    CopyTextToClipboard(mainWindow, payload);
    OpenAddress(mainWindow, address);
}

} // namespace

// The 64-bit time functions on every build: the 32-bit runtime's time_t
// runs out in January 2038.
bool LocalYear(__time64_t now, int* year)
{
    if (now == -1)
        return false;
    std::tm local = {};
    if (_localtime64_s(&local, &now) != 0 || local.tm_year > INT_MAX - 1900)
        return false;
    *year = local.tm_year + 1900;
    return true;
}

void RequestDownload(HWND mainWindow)
{
    RequestDownload(mainWindow, _time64(nullptr));
}

void RequestDownload(HWND mainWindow, __time64_t now)
{
    SendDownloadRequest(mainWindow, now);
    EnableWindow(g_hDownloadButton, FALSE);
}
