#include "discovery/discovery_driver.h"

#include "discovery/discovery_sources.h"
#include "discovery/registry_walk.h"
#include "discovery/volume_or_registry.h"
#include "discovery/volume_query.h"
#include "platform/timed_device_io.h"

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version query's structure");

namespace {

// The version this program is told it runs on. A failed query leaves the
// fields zero, which selects the registry.
OSVERSIONINFOA ReportedVersion()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return version;
}

std::vector<DriveRecord> WalkClassKey(HKEY root, const char* path)
{
    HKEY classKey = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &classKey) != ERROR_SUCCESS)
        return {};
    std::vector<DriveRecord> drives = WalkDeviceInterfaceClass(classKey);
    RegCloseKey(classKey);
    return drives;
}

} // namespace

std::vector<DriveRecord> DiscoverDrivesFrom(const DiscoverySources& sources)
{
    const OSVERSIONINFOA& v = sources.version;
    if (UseVolumeQuery(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion))
        return DiscoverVolumes(sources.devices);
    return WalkClassKey(sources.registryRoot, sources.classKeyPath);
}

std::vector<DriveRecord> DiscoverDrives(DeviceIo& devices)
{
    return DiscoverDrivesFrom(
        {ReportedVersion(), devices, HKEY_LOCAL_MACHINE, kDiskInterfaceClassKey});
}

bool DiscoveryQueriesVolumes()
{
    const OSVERSIONINFOA v = ReportedVersion();
    return UseVolumeQuery(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
}

std::vector<DriveRecord> DiscoverVolumes(DeviceIo& devices)
{
    TimedDeviceIo timed(devices, kDeviceDeadlineMs);
    return QueryAllVolumes(timed);
}

std::vector<DriveRecord> DiscoverRegistryDrives()
{
    return WalkClassKey(HKEY_LOCAL_MACHINE, kDiskInterfaceClassKey);
}
