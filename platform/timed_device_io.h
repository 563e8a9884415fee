#pragma once

#include "platform/device_io.h"

#include <windows.h>

#include <vector>

// How long any device request may take. A drive or bridge that has not
// answered by then is taken to be silent.
constexpr DWORD kDeviceDeadlineMs = 4000;

// The stack the scans' threads reserve: a request and its copies live on the
// heap, and the default megabyte would only grow the working set.
constexpr SIZE_T kScanThreadStack = 64 * 1024;

// Device requests with a deadline, over `devices`. Each request runs on a
// thread of its own; one that misses the deadline fails with ERROR_TIMEOUT and
// is left running on copies of its buffers. Windows XP cannot cancel another
// thread's synchronous request, so that thread ends with the request, or with
// the process. Its device is then silent: later requests to it fail at once,
// and Close leaves the handle to the abandoned request, which closes it when
// it returns.
class TimedDeviceIo final : public DeviceIo {
public:
    TimedDeviceIo(DeviceIo& devices, DWORD deadlineMs) : devices(devices), deadlineMs(deadlineMs) {}

    HANDLE Open(const char* path, DWORD access, DWORD share) override;
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override;
    void Close(HANDLE device) override;
    bool Exists(const char* path) override { return devices.Exists(path); }
    std::unique_ptr<StorageTopology> ReadTopology(DeviceIo& opener) override
    {
        return devices.ReadTopology(opener);
    }

    // Whether a request to `device` missed its deadline.
    bool IsSilent(HANDLE device) const;

private:
    DeviceIo& devices;
    DWORD deadlineMs;
    std::vector<HANDLE> silent;
};
