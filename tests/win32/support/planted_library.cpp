// Stands in for a DLL planted beside the program: loaded, it signals the
// event the planting tests wait on. It exports nothing, so a program that
// loads it instead of the system's library also loses that library's work.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    HANDLE loaded = OpenEventA(EVENT_MODIFY_STATE, FALSE, "vestrel_planted_library_loaded");
    if (loaded) {
        SetEvent(loaded);
        CloseHandle(loaded);
    }
    return TRUE;
}
