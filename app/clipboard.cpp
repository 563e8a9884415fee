#include "app/clipboard.h"

// Placeholder until clipboard copy lands.
void FormatRowText(HWND, int, char* out)
{
    out[0] = '\0';
}
bool CopyTextToClipboard(const char*)
{
    return false;
}
void CopyFocusedRow() {}
