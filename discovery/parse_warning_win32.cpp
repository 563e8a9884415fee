#include "discovery/parse_warning.h"

#include "platform/std_streams.h"

#include <windows.h>

namespace {

constexpr char kWarning[] =
    "Index out of range exception caught.  The device id string was unreadable by Vestrel.";

bool g_warningsAsText = false;

} // namespace

void WriteParseWarningsAsText()
{
    g_warningsAsText = true;
}

void ShowParseWarning()
{
    if (g_warningsAsText) {
        WriteErrorLine(std::string("Vestrel: warning: ") + kWarning);
        return;
    }
    MessageBoxA(nullptr, kWarning, "Vestrel", MB_OK | MB_ICONEXCLAMATION);
}
