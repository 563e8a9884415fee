#pragma once

#include <windows.h>

#include "rows/row_text.h"

// Fills `out` (kComposedTextSize bytes) with the row's text:
// "Model: <cell 0>, Serial: <cell 1>, Firmware: <cell 2>".
void FormatRowText(HWND list, int row, char* out);

// Puts `text` on the clipboard as CF_TEXT, owned by `owner`. Returns true
// when the clipboard took it; false when another program holds it open or it
// refuses the text. The clipboard is closed again on every path.
bool CopyTextToClipboard(HWND owner, const char* text);

// Copies the focused row of `list`, if any, for `owner`; tells the user when
// the clipboard refuses.
void CopyFocusedRow(HWND owner, HWND list);
