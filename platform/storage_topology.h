#pragma once

#include <memory>
#include <string>

// Declared, not included: the interface stays free of Windows.
class DeviceIo;

// What the scans learn of the drives from the system rather than from the
// drives themselves: which USB device a physical drive sits behind, and which
// driver runs a SCSI port.
class StorageTopology {
public:
    virtual ~StorageTopology() = default;

    // The hardware id of the USB device that physical drive `driveIndex` sits
    // behind, the one that carries the revision ("USB\VID_152D&PID_0578&REV_0508");
    // empty when it sits behind none, or that cannot be told.
    virtual std::string UsbHardwareId(int driveIndex) = 0;

    // The service name of the driver of SCSI port `port` (\\.\ScsiN:) as the
    // registry gives it ("iaStorA"); empty when there is no such port or name.
    virtual std::string ScsiPortDriver(int port) = 0;
};

// Knows of no USB device and no SCSI port: what a test's double of a few
// plain drives has.
class NoStorageTopology final : public StorageTopology {
public:
    std::string UsbHardwareId(int) override { return std::string(); }
    std::string ScsiPortDriver(int) override { return std::string(); }
};

// The system's, for one scan. Device opens go through `devices` (which puts a
// deadline on each); the device tree is read once, at the first
// UsbHardwareId call, and kept. Safe to call from several threads at once
// (the scan asks drives side by side).
std::unique_ptr<StorageTopology> SystemStorageTopology(DeviceIo& devices);
