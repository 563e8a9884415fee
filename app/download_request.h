#pragma once

#include <windows.h>

#include <ctime>

// Opens the maker's download-request page for the remembered row's serial,
// puts the plain request on the clipboard and disables the download button.
// With no valid remembered row, or when the local clock cannot be read, it
// only disables the button.
void RequestDownload(HWND mainWindow);

// The shell's ShellExecuteExA, which opens the page, from shell32.dll loaded
// from the system folder at the first call; null without it.
FARPROC FindShellExecuteEx();

using ShellExecuteExFinder = FARPROC (*)();

// The same, with the local year taken from `now` (seconds since 1970)
// instead of the clock, and ShellExecuteExA found by `findShellExecuteEx`
// when there is a page to open. Without it the page does not open, as when
// no program opens the address.
void RequestDownload(HWND mainWindow, __time64_t now,
                     ShellExecuteExFinder findShellExecuteEx = FindShellExecuteEx);
