#include "platform/std_streams.h"

#include "platform/unicode_text.h"

#include <winternl.h>

#include <algorithm>

namespace {

// What NtQueryVolumeInformationFile answers for FileFsDeviceInformation, the
// class that asks for it, and the device type of a console (Windows 8 on).
struct DeviceInformation {
    ULONG type;
    ULONG characteristics;
};
constexpr ULONG kFileFsDeviceInformation = 4;
constexpr ULONG kFileDeviceConsole = 0x50;

// A console this process can use: GetConsoleMode fails on one it is not
// attached to, as on a handle inherited from a command prompt.
bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

// The type of the device behind `handle`, through the query GetFileType
// makes itself (no import: ntdll is in every process, Windows XP's too).
// False where the handle is none of the kernel's.
bool QueryDeviceType(HANDLE handle, ULONG& type)
{
    using Query = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
    static const Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryVolumeInformationFile")));
    IO_STATUS_BLOCK status = {};
    DeviceInformation information = {};
    if (!query ||
        query(handle, &status, &information, sizeof information, kFileFsDeviceInformation) < 0)
        return false;
    type = information.type;
    return true;
}

// A console shows UTF-16 whatever its code page.
bool WriteConsoleText(HANDLE console, const std::string& text)
{
    const std::wstring wide = WideFromUtf8(text);
    constexpr std::size_t kChunk = 4096;
    std::size_t done = 0;
    while (done < wide.size()) {
        std::size_t size = std::min(kChunk, wide.size() - done);
        if (done + size < wide.size() && wide[done + size - 1] >= 0xD800 &&
            wide[done + size - 1] <= 0xDBFF)
            --size; // a surrogate pair stays whole
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + done, static_cast<DWORD>(size), &written,
                           nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

// With a null handler only Ctrl+C would be ignored, not Ctrl+Break.
BOOL WINAPI IgnoreInterrupt(DWORD event)
{
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// The console of the process that started this one, attached on first use;
// null when that process has none (a service, a scheduled task).
HANDLE ParentConsole()
{
    static HANDLE console = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            const HANDLE output =
                CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (output != INVALID_HANDLE_VALUE)
                console = output;
        }
    }
    return console;
}

} // namespace

HANDLE RedirectedStdHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE ? handle : nullptr;
}

bool WriteAll(HANDLE file, const std::string& text)
{
    constexpr std::size_t kChunk = 64 * 1024;
    std::size_t done = 0;
    while (done < text.size()) {
        const DWORD size = static_cast<DWORD>(std::min(kChunk, text.size() - done));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, size, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

bool IsConsoleDevice(HANDLE handle)
{
    ULONG type = 0;
    if (QueryDeviceType(handle, type))
        return type == kFileDeviceConsole;
    // Windows XP's console handles are no kernel handles, and end in binary 11.
    return (reinterpret_cast<ULONG_PTR>(handle) & 3) == 3;
}

bool WriteStdText(DWORD which, const std::string& text)
{
    const HANDLE handle = GetStdHandle(which);
    const bool valid = handle != nullptr && handle != INVALID_HANDLE_VALUE;
    const DWORD type = valid ? GetFileType(handle) : FILE_TYPE_UNKNOWN;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE)
        return WriteAll(handle, text);
    const bool console = type == FILE_TYPE_CHAR && IsConsole(handle);
    if (type == FILE_TYPE_CHAR && !console && !IsConsoleDevice(handle))
        return true; // the null device takes nothing; another device could block
    if (console && WriteConsoleText(handle, text))
        return true;
    // No handle, or a console handle copied from a parent whose console a
    // GUI program does not share.
    const HANDLE parent = ParentConsole();
    return parent && WriteConsoleText(parent, text);
}

void IgnoreConsoleInterrupts()
{
    SetConsoleCtrlHandler(IgnoreInterrupt, TRUE);
}

bool WriteErrorLine(const std::string& line)
{
    return WriteStdText(STD_ERROR_HANDLE, line + "\r\n");
}
