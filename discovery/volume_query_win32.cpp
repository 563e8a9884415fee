#include "discovery/volume_query.h"

#include "discovery/storage_descriptor.h"
#include "discovery/volume_paths.h"

#include <winioctl.h>

#include <string>
#include <vector>

static_assert(IOCTL_STORAGE_QUERY_PROPERTY == 0x002D1400, "storage property query code");
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12, "the request is 12 bytes");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == kVendorIdOffsetField);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == kProductIdOffsetField);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == kRevisionOffsetField);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == kSerialNumberOffsetField);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == kBusTypeField);
static_assert(BusTypeUsb == kBusTypeUsb);

namespace {
constexpr DWORD kDriveStringsSize = 1024;
}

std::vector<DriveRecord> QueryAllVolumes(DeviceIo& devices)
{
    std::vector<DriveRecord> drives;
    char roots[kDriveStringsSize] = {};
    const DWORD length = GetLogicalDriveStringsA(kDriveStringsSize, roots);
    for (const std::string& path : VolumePaths(roots, length, kDriveStringsSize))
        if (std::optional<DriveRecord> drive = QueryVolume(path.c_str(), devices))
            drives.push_back(*drive);
    return drives;
}

std::optional<DriveRecord> QueryVolume(const char* path, DeviceIo& devices)
{
    const HANDLE volume = devices.Open(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (volume == INVALID_HANDLE_VALUE)
        return std::nullopt;

    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    query.AdditionalParameters[0] = 1;
    std::vector<unsigned char> reply(kDescriptorReplySize, 0);
    DWORD returned = 0;
    const bool answered =
        devices.Control(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, reply.data(),
                        static_cast<DWORD>(reply.size()), &returned);

    DriveRecord drive;
    const bool known =
        answered && ReadStorageDescriptor(reply.data(), reply.size(), returned, drive);
    devices.Close(volume);
    if (!known)
        return std::nullopt;
    return drive;
}
