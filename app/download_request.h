#pragma once

#include <windows.h>

// Opens the maker's download-request page for the remembered row's serial,
// puts the plain request on the clipboard and disables the download button.
void RequestDownload(HWND mainWindow);
