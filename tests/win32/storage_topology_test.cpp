#include "identify/identify_requests.h"
#include "platform/device_tree_walk.h"
#include "platform/storage_topology.h"
#include "platform/storage_topology_sources.h"
#include "platform/timed_device_io.h"
#include "tests/win32/support/fake_volumes.h"
#include "tests/win32/support/registry_tree.h"

#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr char kTreePath[] = "Software\\VestrelTests\\StorageTopology";
// Spelled out rather than taken from the program, so a typo there shows.
constexpr char kScsiMap[] = "HARDWARE\\DEVICEMAP\\Scsi";

std::string PortKey(const std::string& port)
{
    return std::string(kScsiMap) + "\\Scsi Port " + port;
}

struct DriverCase {
    const char* what;
    const char* keyPort; // the "Scsi Port N" the value is written under; null for none
    DWORD type;
    std::string bytes;
    int askedPort;
    std::string expected;
};

TEST(ScsiPortDriver, ReadsTheDriverOfThatPortBoundedly)
{
    const std::string longest(256, 's');
    const DriverCase cases[] = {
        {"a port's driver", "0", REG_SZ, "iaStorA\0"s, 0, "iaStorA"},
        {"port 1 is not port 10", "10", REG_SZ, "iaStorA\0"s, 1, ""},
        {"port 10 is not port 1", "1", REG_SZ, "iaStorA\0"s, 10, ""},
        {"no such port", nullptr, REG_SZ, "", 3, ""},
        {"a negative port, even with a key of that name", "-1", REG_SZ, "iaStorA\0"s, -1, ""},
        {"without its NUL", "2", REG_SZ, "iaStorV"s, 2, "iaStorV"},
        {"a NUL inside", "2", REG_SZ, "ab\0cd\0"s, 2, "ab"},
        {"empty", "2", REG_SZ, "", 2, ""},
        {"as long as a service name may be", "4", REG_SZ, longest + "\0"s, 4, longest},
        {"longer than a service name may be", "4", REG_SZ, longest + "x\0"s, 4, ""},
        {"an expandable string", "5", REG_EXPAND_SZ, "iaStorA\0"s, 5, ""},
        {"a multi-string", "5", REG_MULTI_SZ, "iaStorA\0\0"s, 5, ""},
        {"a number", "5", REG_DWORD, "\1\0\0\0"s, 5, ""},
        {"bytes", "5", REG_BINARY, "iaStorA\0"s, 5, ""},
    };
    RegistryTree tree(HKEY_CURRENT_USER, kTreePath);
    const auto topology = StorageTopologyFrom({SystemDeviceIo(), tree.Key()});
    for (const DriverCase& c : cases) {
        tree.Clear();
        if (c.keyPort)
            tree.SetBytes(PortKey(c.keyPort), "Driver", c.type, c.bytes);
        EXPECT_EQ(c.expected, topology->ScsiPortDriver(c.askedPort)) << c.what;
    }
}

TEST(ScsiPortDriver, ReadsNoOtherValueNorKey)
{
    RegistryTree tree(HKEY_CURRENT_USER, kTreePath);
    tree.SetString(PortKey("0"), "", "iaStorA");
    tree.SetString(PortKey("0"), "DriverName", "iaStorA");
    tree.SetString(PortKey("0") + "\\Scsi Bus 0", "Driver", "iaStorA");
    tree.SetString(kScsiMap, "Driver", "iaStorA");
    const auto topology = StorageTopologyFrom({SystemDeviceIo(), tree.Key()});
    EXPECT_EQ("", topology->ScsiPortDriver(0));
}

constexpr char kDiskInterfaces[] = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
                                   "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char kUsbStorDevices[] = "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR";
constexpr char kDiskDriveClass[] = "{4d36e967-e325-11ce-bfc1-08002be10318}";
constexpr char kDiskInstance[] = "USBSTOR\\Disk&Ven_Corvane&Prod_External&Rev_0130\\CV0001&0";

// A disk interface as Wine's SetupAPI finds it: the interface, linked, in
// the machine's disk interface class, and its device among the machine's
// devices. Both are removed again.
class RegisteredDisk {
public:
    RegisteredDisk()
    {
        std::string key = Link();
        std::replace(key.begin(), key.end(), '\\', '#');
        interfaces.AddDevice(key, Link(), 1);
        interfaces.SetString(key, "DeviceInstance", kDiskInstance);
        const std::string device = std::string(kDiskInstance).substr(sizeof "USBSTOR");
        devices.SetString(device, "ClassGUID", kDiskDriveClass);
    }

    // The interface's path as SetupAPI gives it, in small letters.
    static std::string Path()
    {
        std::string path = Link();
        std::transform(path.begin(), path.end(), path.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return path;
    }

private:
    static std::string Link()
    {
        std::string device = kDiskInstance;
        std::replace(device.begin(), device.end(), '\\', '#');
        return "\\\\?\\" + device + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
    }

    RegistryTree interfaces{HKEY_LOCAL_MACHINE, kDiskInterfaces};
    RegistryTree devices{HKEY_LOCAL_MACHINE, kUsbStorDevices};
};

std::vector<unsigned char> DeviceNumberReply(DWORD type, DWORD number)
{
    std::vector<unsigned char> reply(12, 0);
    SetField(reply, 0, type);
    SetField(reply, 4, number);
    return reply;
}

struct NumberCase {
    const char* what;
    bool opens;
    bool answers;
    DWORD type;
    DWORD number;
    DWORD returned; // the reply's size when 0
    int expected;   // the number the disk is listed under; -1 when it is not
};

// Wine's device tree ends at the disk: a disk found is behind no USB device.
TEST(ReadUsbHardwareIds, NumbersTheDisksThatTellTheirNumber)
{
    const NumberCase cases[] = {
        {"a disk", true, true, FILE_DEVICE_DISK, 3, 0, 3},
        {"a CD-ROM", true, true, FILE_DEVICE_CD_ROM, 3, 0, -1},
        {"a refusal", true, false, FILE_DEVICE_DISK, 3, 0, -1},
        {"a short reply", true, true, FILE_DEVICE_DISK, 3, 8, -1},
        {"a number past any index", true, true, FILE_DEVICE_DISK, 0x80000000u, 0, -1},
        {"a disk that does not open", false, true, FILE_DEVICE_DISK, 3, 0, -1},
    };
    ASSERT_TRUE(CanWalkDeviceTree()) << "a function the walk looks up is missing";
    const RegisteredDisk disk;
    for (const NumberCase& c : cases) {
        FakeVolumes volumes;
        volumes.answers[RegisteredDisk::Path()] = {c.opens, c.answers,
                                                   DeviceNumberReply(c.type, c.number), c.returned};
        std::map<int, std::string> expected;
        if (c.expected >= 0)
            expected[c.expected] = "";
        EXPECT_EQ(expected, ReadUsbHardwareIds(volumes)) << c.what;
        ASSERT_EQ(std::vector<std::string>{RegisteredDisk::Path()}, volumes.opened) << c.what;
        EXPECT_EQ(0u, volumes.accesses.at(0)) << c.what;
        EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE), volumes.shares.at(0))
            << c.what;
        EXPECT_EQ(c.opens ? 1 : 0, volumes.closes) << c.what;
    }
}

struct Asker {
    StorageTopology* topology;
    std::vector<std::string> answers;
};

DWORD WINAPI AskEveryDrive(void* parameter)
{
    auto* asker = static_cast<Asker*>(parameter);
    for (int index = -1; index <= kPhysicalDriveCount; ++index)
        asker->answers.push_back(asker->topology->UsbHardwareId(index));
    return 0;
}

// Asks every drive of `topology` from four threads at once; false when one
// of them has not ended after `wait` milliseconds.
bool AskFromFourThreads(StorageTopology& topology, std::vector<Asker>& askers, DWORD wait)
{
    askers.assign(4, Asker{&topology, {}});
    std::vector<HANDLE> threads;
    for (Asker& asker : askers)
        threads.push_back(CreateThread(nullptr, 0, AskEveryDrive, &asker, 0, nullptr));
    bool ended = true;
    for (HANDLE thread : threads) {
        ended = ended && thread && WaitForSingleObject(thread, wait) == WAIT_OBJECT_0;
        if (thread)
            CloseHandle(thread);
    }
    return ended;
}

TEST(SystemStorageTopology, ReadsTheTreeOnceAtTheFirstQuestion)
{
    const RegisteredDisk disk;
    FakeVolumes volumes;
    volumes.answers[RegisteredDisk::Path()] = {true, true, DeviceNumberReply(FILE_DEVICE_DISK, 3),
                                               0};
    const auto topology = SystemStorageTopology(volumes);
    EXPECT_TRUE(volumes.opened.empty()) << "read before the first question";

    std::vector<Asker> askers;
    ASSERT_TRUE(AskFromFourThreads(*topology, askers, 2 * kDeviceDeadlineMs));
    EXPECT_EQ("", topology->UsbHardwareId(3));
    EXPECT_EQ(1u, volumes.opened.size()) << "the tree is read again";
}

// Wine has no USB disks: every drive sits behind none, and no thread waits
// on a device.
TEST(SystemStorageTopology, AnswersEveryDriveFromSeveralThreadsWithoutWaiting)
{
    TimedDeviceIo devices(SystemDeviceIo(), kDeviceDeadlineMs);
    const auto topology = SystemStorageTopology(devices);
    const DWORD start = GetTickCount();
    std::vector<Asker> askers;
    ASSERT_TRUE(AskFromFourThreads(*topology, askers, 2 * kDeviceDeadlineMs));
    EXPECT_LT(GetTickCount() - start, kDeviceDeadlineMs);
    for (const Asker& asker : askers)
        EXPECT_EQ(std::vector<std::string>(kPhysicalDriveCount + 2), asker.answers);
}

} // namespace
