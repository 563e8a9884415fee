// Stands in for a web browser in the download tests: registered as the https
// handler, it appends the address it is given to a file and signals an event.
// Usage: url_recorder OUTPUT_FILE EVENT_NAME ADDRESS
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 4)
        return 2;
    std::FILE* file = std::fopen(__argv[1], "ab");
    if (!file)
        return 1;
    std::fprintf(file, "%s\n", __argv[3]);
    std::fclose(file);
    HANDLE recorded = OpenEventA(EVENT_MODIFY_STATE, FALSE, __argv[2]);
    if (recorded) {
        SetEvent(recorded);
        CloseHandle(recorded);
    }
    return 0;
}
