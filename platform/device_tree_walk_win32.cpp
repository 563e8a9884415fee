#include "platform/device_tree_walk.h"

#include "platform/library_loading.h"
#include "platform/side_by_side.h"
#include "platform/usb_device_tree.h"

#include <cfgmgr32.h>
#include <setupapi.h>
#include <winioctl.h>

#include <algorithm>
#include <climits>
#include <new>
#include <vector>

// The layouts the functions expect; a header that differs must fail the
// build, not the user's machine.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == (sizeof(void*) == 8 ? 8 : 5),
              "SP_DEVICE_INTERFACE_DETAIL_DATA_A");
static_assert(IOCTL_STORAGE_GET_DEVICE_NUMBER == 0x2D1080, "IOCTL_STORAGE_GET_DEVICE_NUMBER");
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12, "STORAGE_DEVICE_NUMBER");
static_assert(MAX_DEVICE_ID_LEN == kMaxDeviceIdLength, "device id length");

namespace {

// {53f56307-b6bf-11d0-94f2-00a0c91efb8b}
const GUID kDiskInterfaceClass = {
    0x53f56307, 0xb6bf, 0x11d0, {0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b}};

// Disk interfaces asked at most; a PC has a handful.
constexpr DWORD kMaxDiskInterfaces = 256;
// Room for an interface's detail and path; a longer path is not opened.
constexpr DWORD kInterfaceDetailSize = 1024;
// Room for a node's hardware ids; real ones take a few hundred bytes.
constexpr ULONG kHardwareIdsSize = 4096;

template <typename Function> Function As(FARPROC found)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

// Looked up, not imported: start-up must not load setupapi.dll. Windows XP
// has all of them there; its cfgmgr32.dll only forwards the CM_ ones to it,
// and later Windows still exports them from setupapi.dll. Each call names
// its function literally, for the import check.
struct SetupFunctions {
    decltype(&SetupDiGetClassDevsA) getClassDevs =
        As<decltype(getClassDevs)>(SystemDllFunction("setupapi.dll", "SetupDiGetClassDevsA"));
    decltype(&SetupDiEnumDeviceInterfaces) enumInterfaces = As<decltype(enumInterfaces)>(
        SystemDllFunction("setupapi.dll", "SetupDiEnumDeviceInterfaces"));
    decltype(&SetupDiGetDeviceInterfaceDetailA) interfaceDetail = As<decltype(interfaceDetail)>(
        SystemDllFunction("setupapi.dll", "SetupDiGetDeviceInterfaceDetailA"));
    decltype(&SetupDiDestroyDeviceInfoList) destroyList = As<decltype(destroyList)>(
        SystemDllFunction("setupapi.dll", "SetupDiDestroyDeviceInfoList"));
    decltype(&CM_Get_Parent) getParent =
        As<decltype(getParent)>(SystemDllFunction("setupapi.dll", "CM_Get_Parent"));
    decltype(&CM_Get_Device_IDA) getDeviceId =
        As<decltype(getDeviceId)>(SystemDllFunction("setupapi.dll", "CM_Get_Device_IDA"));
    decltype(&CM_Get_DevNode_Registry_PropertyA) nodeProperty = As<decltype(nodeProperty)>(
        SystemDllFunction("setupapi.dll", "CM_Get_DevNode_Registry_PropertyA"));

    bool Found() const
    {
        return getClassDevs && enumInterfaces && interfaceDetail && destroyList && getParent &&
               getDeviceId && nodeProperty;
    }
};

// The present disk interfaces, destroyed when it goes out of scope.
class DiskInterfaces {
public:
    explicit DiskInterfaces(const SetupFunctions& setup)
        : setup(setup), set(setup.getClassDevs(&kDiskInterfaceClass, nullptr, nullptr,
                                               DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
    {
    }
    ~DiskInterfaces()
    {
        if (set != INVALID_HANDLE_VALUE)
            setup.destroyList(set);
    }
    DiskInterfaces(const DiskInterfaces&) = delete;
    DiskInterfaces& operator=(const DiskInterfaces&) = delete;

    HDEVINFO Get() const { return set; }

private:
    const SetupFunctions& setup;
    HDEVINFO set;
};

struct Disk {
    std::string path;
    DEVINST node = 0;
    int number = -1; // its physical drive number, once asked
};

// The path and device node of a disk interface; false when they cannot be
// read or the path does not fit.
bool ReadDiskInterface(const SetupFunctions& setup, HDEVINFO set, SP_DEVICE_INTERFACE_DATA& found,
                       Disk& disk)
{
    std::vector<DWORD> buffer(kInterfaceDetailSize / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof *detail;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    if (!setup.interfaceDetail(set, &found, detail, kInterfaceDetailSize, nullptr, &device))
        return false;
    const char* path = detail->DevicePath;
    const char* bufferEnd = reinterpret_cast<const char*>(buffer.data()) + kInterfaceDetailSize;
    const char* nul = std::find(path, bufferEnd, '\0');
    if (nul == bufferEnd)
        return false;
    disk = {std::string(path, nul), device.DevInst};
    return true;
}

// The present disk interfaces' paths and nodes, at most kMaxDiskInterfaces.
std::vector<Disk> ListDisks(const SetupFunctions& setup, HDEVINFO set)
{
    std::vector<Disk> disks;
    for (DWORD index = 0; index < kMaxDiskInterfaces; ++index) {
        SP_DEVICE_INTERFACE_DATA found = {};
        found.cbSize = sizeof found;
        if (!setup.enumInterfaces(set, nullptr, &kDiskInterfaceClass, index, &found))
            break;
        Disk disk;
        if (ReadDiskInterface(setup, set, found, disk))
            disks.push_back(std::move(disk));
    }
    return disks;
}

// The physical drive number of the disk at `path`, or -1.
int DiskNumber(DeviceIo& devices, const std::string& path)
{
    const HANDLE disk = devices.Open(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (disk == INVALID_HANDLE_VALUE)
        return -1;
    STORAGE_DEVICE_NUMBER number = {};
    DWORD returned = 0;
    const bool ok = devices.Control(disk, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                                    sizeof number, &returned);
    devices.Close(disk);
    if (!ok || returned < sizeof number || number.DeviceType != FILE_DEVICE_DISK ||
        number.DeviceNumber > static_cast<DWORD>(INT_MAX))
        return -1;
    return static_cast<int>(number.DeviceNumber);
}

// One disk asked for its number, on a thread of its own.
struct NumberQuestion {
    DeviceIo* devices;
    Disk* disk;
};

DWORD WINAPI AskDiskNumber(void* parameter)
{
    const auto* question = static_cast<NumberQuestion*>(parameter);
    try {
        question->disk->number = DiskNumber(*question->devices, question->disk->path);
    } catch (const std::bad_alloc&) {
        // Left out, as a disk that does not tell its number.
    }
    return 0;
}

// Asks every disk its number side by side, so that any number of silent
// disks costs one deadline; a disk already silent fails at once.
void AskDiskNumbers(DeviceIo& devices, std::vector<Disk>& disks)
{
    std::vector<NumberQuestion> questions;
    for (Disk& disk : disks)
        questions.push_back({&devices, &disk});
    std::vector<void*> parameters;
    for (NumberQuestion& question : questions)
        parameters.push_back(&question);
    RunSideBySide(AskDiskNumber, parameters);
}

std::string InstanceId(const SetupFunctions& setup, DEVINST node)
{
    char id[MAX_DEVICE_ID_LEN + 1] = {};
    if (setup.getDeviceId(node, id, sizeof id, 0) != CR_SUCCESS)
        return {};
    return std::string(id, std::find(id, id + sizeof id, '\0'));
}

// The node's hardware ids as the bytes read; none when they are not a
// multi-string or do not fit.
std::string HardwareIds(const SetupFunctions& setup, DEVINST node)
{
    std::string ids(kHardwareIdsSize, '\0');
    ULONG type = 0;
    ULONG length = kHardwareIdsSize;
    if (setup.nodeProperty(node, CM_DRP_HARDWAREID, &type, &ids[0], &length, 0) != CR_SUCCESS ||
        type != REG_MULTI_SZ)
        return {};
    ids.resize(std::min(length, kHardwareIdsSize));
    return ids;
}

std::string UsbHardwareIdAbove(const SetupFunctions& setup, DEVINST disk)
{
    DEVINST last = disk;
    return FindUsbHardwareId([&](DeviceNode& node) {
        DEVINST parent = 0;
        if (setup.getParent(&parent, last, 0) != CR_SUCCESS)
            return false;
        last = parent;
        node.instanceId = InstanceId(setup, parent);
        node.hardwareIds = HardwareIds(setup, parent);
        return !node.instanceId.empty();
    });
}

} // namespace

bool CanWalkDeviceTree()
{
    return SetupFunctions().Found();
}

std::map<int, std::string> ReadUsbHardwareIds(DeviceIo& devices)
{
    const SetupFunctions setup;
    if (!setup.Found())
        return {};
    const DiskInterfaces interfaces(setup);
    if (interfaces.Get() == INVALID_HANDLE_VALUE)
        return {};
    std::vector<Disk> disks = ListDisks(setup, interfaces.Get());
    AskDiskNumbers(devices, disks);
    std::map<int, std::string> ids;
    for (const Disk& disk : disks) {
        // Two interfaces never share a number; if they did, the first would count.
        if (disk.number >= 0 && !ids.count(disk.number))
            ids.emplace(disk.number, UsbHardwareIdAbove(setup, disk.node));
    }
    return ids;
}
