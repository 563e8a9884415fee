#pragma once

#include <windows.h>

// Loading DLLs in a program that runs as administrator from whatever folder
// it was saved to: a DLL found by name in that folder, or in the current
// directory, would run with the program's rights.

// Takes the current directory out of the DLL search and, where Windows has
// SetDefaultDllDirectories (Windows 8 and later, Vista and 7 with the 2011
// loader update), limits every search by name to the system folder, the
// program's folder included. Call before anything loads a DLL by name.
void RestrictDllSearch();

// Loads library `name` by its full path in the system folder; the libraries
// it needs in turn are looked for there too, not in the program's folder.
// Null when the system folder is unknown, the path does not fit, or the
// library cannot be loaded: it is never searched for by name.
HMODULE LoadSystemLibrary(const char* name);

// The function `name` of the system DLL `dll`, loaded from the system folder on first use and kept;
// null when either cannot be found.
FARPROC SystemDllFunction(const char* dll, const char* name);
