#pragma once

#include "discovery/drive_record.h"
#include "platform/device_io.h"

#include <windows.h>

// The disk device-interface class key, below HKEY_LOCAL_MACHINE.
constexpr char kDiskInterfaceClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
                                          "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

// Where discovery looks. DiscoverDrives uses this system's version (as
// GetVersionExA reports it) and HKEY_LOCAL_MACHINE, and the devices it is
// given.
struct DiscoverySources {
    OSVERSIONINFOA version;
    DeviceIo& devices;
    HKEY registryRoot;
    const char* classKeyPath;
};

// The drives of the one source that the version selects. A class key that
// cannot be opened gives nothing.
std::vector<DriveRecord> DiscoverDrivesFrom(const DiscoverySources& sources);
