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

TEST(ScsiPortDriver, ReadsTheDriverOfThatPortBoundedly)
{
    const std::string longest(256, 's');
    struct Case {
        const char* what;
        const char* keyPort; // the "Scsi Port N" the value is written under; null for none
        DWORD type;
        std::string bytes;
        int askedPort;
        std::string expected;
    };
    const Case cases[] = {
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
        {"bytes", "5", REG_BINARY, "iaStorA\0"s, 5, ""},
    };
    RegistryTree tree(HKEY_CURRENT_USER, "Software\\VestrelTests\\StorageTopology");
    const auto topology = StorageTopologyFrom({SystemDeviceIo(), tree.Key()});
    for (const Case& c : cases) {
        tree.Clear();
        // Spelled out rather than taken from the program, so a typo there shows.
        if (c.keyPort)
            tree.SetBytes("HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port "s + c.keyPort, "Driver", c.type,
                          c.bytes);
        EXPECT_EQ(c.expected, topology->ScsiPortDriver(c.askedPort)) << c.what;
    }
}

// Disk interfaces as Wine's SetupAPI finds them: each interface, linked, in
// the machine's disk interface class, and its device among the machine's
// devices. All are removed again.
struct RegisteredDisks {
    RegistryTree interfaces{HKEY_LOCAL_MACHINE,
                            "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
                            "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}"};
    RegistryTree devices{HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR"};

    explicit RegisteredDisks(const std::vector<std::string>& serials = {"CV0001"})
    {
        const std::string type = "Disk&Ven_Corvane&Prod_External&Rev_0130";
        for (const std::string& serial : serials) {
            const std::string link = DiskLink("USBSTOR", type, serial + "&0");
            std::string key = link;
            std::replace(key.begin(), key.end(), '\\', '#');
            interfaces.AddDevice(key, link, 1);
            interfaces.SetString(key, "DeviceInstance", "USBSTOR\\" + type + "\\" + serial + "&0");
            devices.SetString(type + "\\" + serial + "&0", "ClassGUID",
                              "{4d36e967-e325-11ce-bfc1-08002be10318}");
        }
    }
};

// An interface's path as SetupAPI gives it, in small letters.
std::string DiskPath(std::string serial)
{
    for (char& c : serial)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "\\\\?\\usbstor#disk&ven_corvane&prod_external&rev_0130#" + serial +
           "&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

const std::string kDiskPath = DiskPath("CV0001");

// A disk answering IOCTL_STORAGE_GET_DEVICE_NUMBER with STORAGE_DEVICE_NUMBER.
VolumeAnswer NumberAnswer(DWORD type, DWORD number, bool opens = true, bool answers = true,
                          DWORD returned = 0)
{
    std::vector<unsigned char> reply(12, 0);
    SetField(reply, 0, type);
    SetField(reply, 4, number);
    return {opens, answers, reply, returned};
}

// Wine's device tree ends at the disk: a disk found is behind no USB device.
TEST(ReadUsbHardwareIds, NumbersTheDisksThatTellTheirNumber)
{
    using Listed = std::map<int, std::string>;
    struct Case {
        const char* what;
        VolumeAnswer answer;
        bool listed = false;
    };
    const Case cases[] = {
        {"a disk", NumberAnswer(FILE_DEVICE_DISK, 3), true},
        {"a CD-ROM", NumberAnswer(FILE_DEVICE_CD_ROM, 3)},
        {"a refusal", NumberAnswer(FILE_DEVICE_DISK, 3, true, false)},
        {"a short reply", NumberAnswer(FILE_DEVICE_DISK, 3, true, true, 8)},
        {"a number past any index", NumberAnswer(FILE_DEVICE_DISK, 0x80000000u)},
        {"a disk that does not open", NumberAnswer(FILE_DEVICE_DISK, 3, false)},
    };
    ASSERT_TRUE(CanWalkDeviceTree()) << "a function the walk looks up is missing";
    const RegisteredDisks disk;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeVolumes volumes;
        volumes.answers[kDiskPath] = c.answer;
        EXPECT_EQ((c.listed ? Listed{{3, ""}} : Listed{}), ReadUsbHardwareIds(volumes));
        ASSERT_EQ(std::vector<std::string>{kDiskPath}, volumes.opened);
        EXPECT_EQ(0u, volumes.accesses.at(0));
        EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE), volumes.shares.at(0));
        EXPECT_EQ(c.answer.opens ? 1 : 0, volumes.closes);
    }
}

// The walk asks the disks side by side, as the scan asks the drives: disks
// that never answer their open or their number request cost it one deadline
// together, and the others still tell their numbers.
TEST(ReadUsbHardwareIds, SilentDisksCostOneDeadlineTogether)
{
    // Disk i is numbered i; one silent at its open, two at their number request.
    const Hang hangs[] = {Hang::AtOpen, Hang::Never, Hang::AtRequest, Hang::AtRequest, Hang::Never};
    const std::vector<std::string> serials = {"CV0001", "CV0002", "CV0003", "CV0004", "CV0005"};
    const RegisteredDisks disks(serials);
    // Left to the process's end, as the calls left behind still use it.
    auto* volumes = new FakeVolumes;
    std::map<int, std::string> answering;
    for (std::size_t i = 0; i < serials.size(); ++i) {
        VolumeAnswer answer = NumberAnswer(FILE_DEVICE_DISK, static_cast<DWORD>(i));
        answer.hang = hangs[i];
        volumes->answers[DiskPath(serials[i])] = answer;
        if (hangs[i] == Hang::Never)
            answering.emplace(static_cast<int>(i), "");
    }
    TimedDeviceIo devices(*volumes, kDeviceDeadlineMs);
    const std::size_t before = AbandonedDeviceRequests();

    const DWORD start = GetTickCount();
    EXPECT_EQ(answering, ReadUsbHardwareIds(devices));
    const DWORD took = GetTickCount() - start;
    // The tick counter may step by 16 ms.
    EXPECT_GE(took + 20, kDeviceDeadlineMs) << "a silent disk was not waited for";
    // Two silent disks in turn would take twice the deadline.
    EXPECT_LT(took, kDeviceDeadlineMs * 2 - 500) << "the silent disks were waited for in turn";
    EXPECT_EQ(before + 3, AbandonedDeviceRequests());
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

// The scan asks drives side by side, through requests with a deadline: the
// first question reads the tree, the others wait for it, none reads it again
// and none waits on a device.
TEST(SystemStorageTopology, ReadsTheTreeOnceAtTheFirstQuestionFromAnyThread)
{
    const RegisteredDisks disk;
    FakeVolumes volumes;
    volumes.answers[kDiskPath] = NumberAnswer(FILE_DEVICE_DISK, 3);
    TimedDeviceIo devices(volumes, kDeviceDeadlineMs);
    const auto topology = SystemStorageTopology(devices);
    EXPECT_TRUE(volumes.opened.empty()) << "read before the first question";

    const DWORD start = GetTickCount();
    std::vector<Asker> askers(4, Asker{topology.get(), {}});
    std::vector<HANDLE> threads;
    for (Asker& asker : askers)
        threads.push_back(CreateThread(nullptr, 0, AskEveryDrive, &asker, 0, nullptr));
    for (HANDLE thread : threads) {
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 2 * kDeviceDeadlineMs));
        CloseHandle(thread);
    }
    EXPECT_LT(GetTickCount() - start, kDeviceDeadlineMs);
    for (const Asker& asker : askers)
        EXPECT_EQ(std::vector<std::string>(kPhysicalDriveCount + 2), asker.answers);
    EXPECT_EQ(1u, volumes.opened.size()) << "the tree is read again";
}

} // namespace
