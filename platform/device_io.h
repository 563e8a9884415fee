#pragma once

#include <windows.h>

// The one seam between the program and storage devices: open a device path,
// send it an I/O control, close it. The program uses SystemDeviceIo(); tests
// answer the requests as drives do and inspect what was sent.
class DeviceIo {
public:
    virtual ~DeviceIo() = default;

    // CreateFileA with OPEN_EXISTING, no security attributes and flags 0.
    // Returns INVALID_HANDLE_VALUE on failure.
    virtual HANDLE Open(const char* path, DWORD access, DWORD share) = 0;

    // DeviceIoControl without overlapped I/O. `returned` receives the byte
    // count the driver reports.
    virtual bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                         DWORD outSize, DWORD* returned) = 0;

    virtual void Close(HANDLE device) = 0;
};

// The real devices of this machine.
DeviceIo& SystemDeviceIo();
