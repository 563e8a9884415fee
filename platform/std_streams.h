#pragma once

#include <windows.h>

#include <string>

// The standard handle `which` (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE) when it
// leads to a file or a pipe, as with remote shells and deployment tools that
// collect a program's output; null otherwise (no handle, a console, NUL).
HANDLE RedirectedStdHandle(DWORD which);

// Writes all of `text` to `file`; false when a write fails or stops short.
bool WriteAll(HANDLE file, const std::string& text);

// Writes `line` and CRLF to standard error when it is redirected. False when
// it is not, or the write fails.
bool WriteErrorLine(const std::string& line);
