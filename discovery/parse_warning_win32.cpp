#include "discovery/parse_warning.h"

#include <windows.h>

void ShowParseWarning()
{
    MessageBoxA(nullptr,
                "Index out of range exception caught.  The device id string was unreadable by "
                "Vestrel.",
                "Vestrel", MB_OK | MB_ICONEXCLAMATION);
}
