#include "discovery/discovery_driver.h"

#include "discovery/discovery_sources.h"
#include "discovery/registry_walk.h"
#include "discovery/volume_query.h"

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

void WalkClassKey(HKEY root, const char* path, DriveRecordList& records)
{
    HKEY classKey = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &classKey) != ERROR_SUCCESS)
        return;
    WalkDeviceInterfaceClass(classKey, records);
    RegCloseKey(classKey);
}

} // namespace

void DiscoverDrivesFrom(const DiscoverySources& sources, DriveRecordList& records)
{
    const OSVERSIONINFOA& v = sources.version;
    if (UseVolumeQuery(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion))
        QueryAllVolumes(records, sources.devices);
    else
        WalkClassKey(sources.registryRoot, sources.classKeyPath, records);
}

void DiscoverDrives(DriveRecordList& records)
{
    DiscoverDrivesFrom(
        {ReportedVersion(), SystemDeviceIo(), HKEY_LOCAL_MACHINE, kDiskInterfaceClassKey}, records);
}
