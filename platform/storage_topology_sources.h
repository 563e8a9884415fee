#pragma once

#include "platform/device_io.h"
#include "platform/storage_topology.h"

#include <windows.h>

#include <memory>

// Where a topology looks. SystemStorageTopology uses HKEY_LOCAL_MACHINE.
struct StorageTopologySources {
    DeviceIo& devices;
    HKEY registryRoot; // below it, "HARDWARE\DEVICEMAP\Scsi\Scsi Port N", value "Driver"
};

// A topology over `sources`, as SystemStorageTopology describes.
std::unique_ptr<StorageTopology> StorageTopologyFrom(const StorageTopologySources& sources);
