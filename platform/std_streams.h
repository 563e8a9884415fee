#pragma once

#include <windows.h>

#include <string>

// The standard handle `which` (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE) when it
// leads to a file or a pipe, as with remote shells and deployment tools that
// collect a program's output; null otherwise (no handle, a console, NUL).
HANDLE RedirectedStdHandle(DWORD which);

// Writes all of `text` to `file`; false when a write fails or stops short.
bool WriteAll(HANDLE file, const std::string& text);

// Writes UTF-8 `text` where whoever started the program can read it, and
// never waits for a person: to the standard handle `which` when it is a file,
// a pipe or a console; with no standard handle, or a console handle this
// process cannot use, to the console of the process that started this one (a
// command prompt). A handle to anything else (the null device) takes
// nothing. False only when there is neither a handle nor a console, nobody
// who could read it.
bool WriteStdText(DWORD which, const std::string& text);

// `line` and CRLF on standard error, as WriteStdText writes.
bool WriteErrorLine(const std::string& line);

// Whether `handle` leads to a console, whether or not this process may use
// it: told apart from the null device and other character devices, which
// GetFileType does not.
bool IsConsoleDevice(HANDLE handle);

// Ctrl+C and Ctrl+Break at a console this process shares (the command
// prompt's, once attached to it) no longer end the process, so a run
// finishes what it began.
void IgnoreConsoleInterrupts();
