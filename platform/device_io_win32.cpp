#include "platform/device_io.h"

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
};

} // namespace

DeviceIo& SystemDeviceIo()
{
    // Never destroyed: a request left behind at its deadline may still use it
    // while the process exits.
    static SystemDevices* devices = new SystemDevices;
    return *devices;
}
