#include "platform/library_loading.h"

#include "platform/library_path.h"

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Looked up, not imported: Windows XP and an unpatched Vista or 7 lack it.
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    return reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(found));
}

} // namespace

void RestrictDllSearch()
{
    // An empty string removes the current directory (Windows XP SP1 and later).
    SetDllDirectoryA("");
    if (SetDefaultDllDirectoriesFunction setDefault = FindSetDefaultDllDirectories())
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const char* name)
{
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    char path[MAX_PATH] = {};
    if (!JoinLibraryPath(path, sizeof path, directory, name))
        return nullptr;
    // With a full path, this flag makes the library's own imports be looked
    // for in its folder and the system's, never in the program's, even where
    // RestrictDllSearch could not limit the search.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// Never freed: a caller may keep the function. Loading a library that is
// already loaded only finds it, so later calls load nothing again.
FARPROC SystemDllFunction(const char* dll, const char* name)
{
    HMODULE library = LoadSystemLibrary(dll);
    return library ? GetProcAddress(library, name) : nullptr;
}
