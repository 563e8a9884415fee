#include "platform/device_io.h"

#include <cstring>

namespace {

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
};

} // namespace

DeviceIo& SystemDeviceIo()
{
    // Never destroyed: a request left behind at its deadline may still use it
    // while the process exits.
    static SystemDevices* devices = new SystemDevices;
    return *devices;
}
