#include "platform/library_loading.h"

#include "platform/library_path.h"

#include <new>
#include <string>
#include <vector>

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Looked up, not imported: Windows XP and an unpatched Vista or 7 lack it.
SetDefaultDllDirectoriesFunction FindSetDefaultDllDirectories()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    return reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(found));
}

// A library loaded by SystemDllFunction, kept until the process ends.
struct KeptLibrary {
    std::string name;
    HMODULE module;
};

// The libraries SystemDllFunction loaded, which any thread may ask for.
class KeptLibraries {
public:
    KeptLibraries() { InitializeCriticalSection(&lock); }
    KeptLibraries(const KeptLibraries&) = delete;
    KeptLibraries& operator=(const KeptLibraries&) = delete;

    HMODULE Get(const char* name)
    {
        EnterCriticalSection(&lock);
        HMODULE module = Find(name);
        if (!module)
            module = Load(name);
        LeaveCriticalSection(&lock);
        return module;
    }

private:
    HMODULE Find(const char* name) const
    {
        for (const KeptLibrary& library : libraries)
            if (lstrcmpiA(library.name.c_str(), name) == 0)
                return library.module;
        return nullptr;
    }

    // One that cannot be loaded is not kept: it is tried again next time.
    HMODULE Load(const char* name)
    {
        HMODULE module = LoadSystemLibrary(name);
        try {
            if (module)
                libraries.push_back({name, module});
        } catch (const std::bad_alloc&) {
            // Used, not kept; the lock must still be left.
        }
        return module;
    }

    CRITICAL_SECTION lock;
    std::vector<KeptLibrary> libraries;
};

KeptLibraries& TheKeptLibraries()
{
    // Never destroyed: a thread may still look a function up while the process exits.
    static KeptLibraries* kept = new KeptLibraries;
    return *kept;
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

FARPROC SystemDllFunction(const char* dll, const char* name)
{
    if (!dll || !name)
        return nullptr;
    HMODULE module = TheKeptLibraries().Get(dll);
    return module ? GetProcAddress(module, name) : nullptr;
}
