#pragma once

#include <windows.h>

#include "app/row_text.h"

// Reads cell `column` of `row` into `cell` (kCellBufferSize bytes); an empty
// text when the list has no such cell.
void ReadRowCell(HWND list, int row, int column, char* cell);

// Fills `out` (kComposedTextSize bytes) with the row's text:
// "Model: <cell 0>, Serial: <cell 1>, Firmware: <cell 2>".
void FormatRowText(HWND list, int row, char* out);

// Puts `text` on the clipboard as CF_TEXT, owned by g_hMainWnd. Returns true
// when the clipboard took it; false when another program holds it open or it
// refuses the text. The clipboard is closed again on every path.
bool CopyTextToClipboard(const char* text);

// Copies the focused row of g_hDriveList, if any; tells the user when the
// clipboard refuses.
void CopyFocusedRow();
