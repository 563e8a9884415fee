#include "platform/device_io.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kMostNameBytes = 16 * 1024 * 1024;

std::vector<std::string> NamesIn(const char* list, std::size_t length)
{
    std::vector<std::string> names;
    const char* end = list + length;
    for (const char* at = list; at < end;) {
        const char* nul = std::find(at, end, '\0');
        if (nul != at)
            names.emplace_back(at, nul);
        at = nul + 1;
    }
    return names;
}

class SystemDevices final : public DeviceIo {
public:
    HANDLE Open(const char* path, DWORD access, DWORD share) override
    {
        return CreateFileA(path, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override
    {
        DWORD bytes = 0;
        const BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize,
                                        &bytes, nullptr);
        if (returned)
            *returned = bytes;
        return ok != FALSE;
    }

    void Close(HANDLE device) override { CloseHandle(device); }

    std::unique_ptr<StorageTopology> ReadTopology(DeviceIo& opener) override
    {
        return SystemStorageTopology(opener);
    }

    bool Exists(const char* path) override
    {
        // The object manager's name for "\\.\X" is "X"; looking it up asks
        // no driver anything.
        constexpr char kPrefix[] = "\\\\.\\";
        const std::size_t prefix = sizeof kPrefix - 1;
        if (std::strncmp(path, kPrefix, prefix) != 0)
            return true;
        char target[512];
        return QueryDosDeviceA(path + prefix, target, sizeof target) != 0 ||
               GetLastError() == ERROR_INSUFFICIENT_BUFFER;
    }

    std::vector<std::string> DeviceNames() override
    {
        // Every name at once, as a list of texts each ending in a zero byte;
        // the room doubles until it fits, within a bound.
        for (DWORD size = 64 * 1024; size <= kMostNameBytes; size *= 2) {
            std::vector<char> list(size);
            const DWORD length = QueryDosDeviceA(nullptr, list.data(), size);
            if (length != 0)
                return NamesIn(list.data(), length < size ? length : size);
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
                break;
        }
        return {};
    }
};

} // namespace

DeviceIo& SystemDeviceIo()
{
    // Never destroyed: a request left behind at its deadline may still use it
    // while the process exits.
    static SystemDevices* devices = new SystemDevices;
    return *devices;
}
