#pragma once

#include "platform/storage_topology.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

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

    // Whether a device stands at `path` ("\\.\PhysicalDrive3"), asked of the
    // system's names, not of the device: a scan opens only what exists.
    virtual bool Exists(const char*) { return true; }

    // The names the system gives its devices ("PhysicalDrive3", "Scsi1:"),
    // listed from its names, not asked of any device; none when they cannot
    // be listed.
    virtual std::vector<std::string> DeviceNames() { return {}; }

    // What the system says of these devices' place, for one scan; the devices
    // it opens to find out go through `opener`, with the scan's deadlines.
    virtual std::unique_ptr<StorageTopology> ReadTopology(DeviceIo&)
    {
        return std::make_unique<NoStorageTopology>();
    }
};

// The real devices of this machine.
DeviceIo& SystemDeviceIo();
