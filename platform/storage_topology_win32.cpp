#include "platform/storage_topology.h"

#include "platform/device_tree_walk.h"
#include "platform/storage_topology_sources.h"

#include <algorithm>
#include <map>
#include <new>
#include <string>

namespace {

// Each SCSI port's key below it, "Scsi Port N", names its driver.
constexpr char kScsiDeviceMapKey[] = "HARDWARE\\DEVICEMAP\\Scsi";
constexpr char kDriverValue[] = "Driver";
// A service name has at most 256 characters; a longer value is none.
constexpr DWORD kServiceNameSize = 256 + 1;

// "Scsi Port N\Driver" below the SCSI device map, read boundedly: a value
// that is not a string or does not fit gives none, one without its NUL the
// characters it has, one with a NUL inside those before it.
std::string ReadScsiPortDriver(HKEY root, int port)
{
    if (port < 0)
        return {};
    const std::string path = std::string(kScsiDeviceMapKey) + "\\Scsi Port " + std::to_string(port);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    char text[kServiceNameSize] = {};
    DWORD type = 0;
    DWORD size = sizeof text;
    const LONG status =
        RegQueryValueExA(key, kDriverValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return {};
    char* end = text + std::min<DWORD>(size, sizeof text);
    return std::string(text, std::find(text, end, '\0'));
}

// The scans ask from their threads; the tree is read by the first to ask,
// while the others wait for it.
class SystemTopology final : public StorageTopology {
public:
    explicit SystemTopology(const StorageTopologySources& sources)
        : devices(sources.devices), registryRoot(sources.registryRoot)
    {
        InitializeCriticalSection(&lock);
    }
    ~SystemTopology() override { DeleteCriticalSection(&lock); }
    SystemTopology(const SystemTopology&) = delete;
    SystemTopology& operator=(const SystemTopology&) = delete;

    std::string UsbHardwareId(int driveIndex) override
    {
        EnterCriticalSection(&lock);
        std::string id;
        try {
            if (!treeRead) {
                usbIds = ReadUsbHardwareIds(devices);
                treeRead = true;
            }
            const auto found = usbIds.find(driveIndex);
            if (found != usbIds.end())
                id = found->second;
        } catch (const std::bad_alloc&) {
            // No id this time; the lock must still be left.
        }
        LeaveCriticalSection(&lock);
        return id;
    }

    std::string ScsiPortDriver(int port) override { return ReadScsiPortDriver(registryRoot, port); }

private:
    DeviceIo& devices;
    HKEY registryRoot;
    CRITICAL_SECTION lock;
    bool treeRead = false;
    std::map<int, std::string> usbIds;
};

} // namespace

std::unique_ptr<StorageTopology> StorageTopologyFrom(const StorageTopologySources& sources)
{
    return std::make_unique<SystemTopology>(sources);
}

std::unique_ptr<StorageTopology> SystemStorageTopology(DeviceIo& devices)
{
    return StorageTopologyFrom({devices, HKEY_LOCAL_MACHINE});
}
