#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The three cells of one drive-list row.
using Row = std::vector<std::string>;

// Reads every row of a list view in another process (cells of up to 255
// characters): the item structure and its text buffer must live in that
// process for the control to fill them.
std::vector<Row> RemoteRows(HANDLE process, HWND list);
