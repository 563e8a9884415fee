#include "discovery/discovery_driver.h"
#include "discovery/discovery_sources.h"
#include "platform/timed_device_io.h"
#include "tests/win32/support/fake_volumes.h"
#include "tests/win32/support/registry_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kClassPath[] = "Software\\VestrelTests\\Discovery\\Class";

OSVERSIONINFOA Version(DWORD platform, DWORD major, DWORD minor)
{
    OSVERSIONINFOA v = {};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwPlatformId = platform;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    return v;
}

// A registry class key with one linked Corvane drive, and every volume of
// this system answering as a Pellum USB drive: the records tell which
// source ran.
class Discovery : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.SetString("D1\\#", "SymbolicLink",
                       DiskLink("USBSTOR", "Disk&Ven_Corvane&Prod_Reg&Rev_1", "R1&0"));
        tree.SetDword("D1\\#\\Control", "Linked", 1);
        char roots[1024] = {};
        const DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
        for (DWORD at = 0; at < length; at += 4)
            volumes.answers[std::string("\\\\?\\") + roots[at] + ":"] = {
                true, true, DescriptorReply(7, "Pellum", "Vol", "2", "V1&0"), 0};
    }

    std::vector<std::string> DiscoverModels(const OSVERSIONINFOA& version,
                                            const char* classPath = kClassPath)
    {
        std::vector<std::string> models;
        for (const DriveRecord& drive :
             DiscoverDrivesFrom({version, volumes, HKEY_CURRENT_USER, classPath}))
            models.push_back(drive.model);
        return models;
    }

    RegistryTree tree{HKEY_CURRENT_USER, kClassPath};
    FakeVolumes volumes;
};

TEST_F(Discovery, RunsExactlyTheSourceTheVersionSelects)
{
    const std::vector<std::string> registry{"Reg"};
    EXPECT_EQ(registry, DiscoverModels(Version(2, 5, 1)));
    EXPECT_EQ(registry, DiscoverModels(Version(2, 6, 0)));
    EXPECT_EQ(registry, DiscoverModels(Version(2, 10, 0)));
    EXPECT_EQ(registry, DiscoverModels(Version(1, 6, 1)));
    EXPECT_EQ(registry, DiscoverModels(Version(0, 0, 0))) << "a failed version query";
    EXPECT_TRUE(volumes.opened.empty()) << "the registry walk opens no volume";

    for (DWORD minor : {1, 2, 3}) {
        const std::vector<std::string> models = DiscoverModels(Version(2, 6, minor));
        ASSERT_FALSE(models.empty());
        for (const std::string& model : models)
            EXPECT_EQ("Vol", model) << "6." << minor;
    }
}

// The volumes of `rest`, but `first` never opens.
class FirstVolumeNeverOpens final : public DeviceIo {
public:
    FirstVolumeNeverOpens(DeviceIo& rest, std::string first) : rest(rest), first(std::move(first))
    {
    }
    HANDLE Open(const char* path, DWORD access, DWORD share) override
    {
        if (path == first)
            Sleep(INFINITE);
        return rest.Open(path, access, share);
    }
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override
    {
        return rest.Control(device, code, in, inSize, out, outSize, returned);
    }
    void Close(HANDLE device) override { rest.Close(device); }

private:
    DeviceIo& rest;
    std::string first;
};

TEST_F(Discovery, AVolumeThatNeverOpensIsGivenUpAtTheDeadlineAndTheOthersAreAsked)
{
    char roots[1024] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
    std::vector<std::string> others;
    for (DWORD at = 4; at < length; at += 4)
        others.push_back(std::string("\\\\?\\") + roots[at] + ":");
    // Left to the process's end, with the volumes behind it: the open left
    // behind still uses them.
    auto* rest = new FakeVolumes(volumes);
    auto* devices = new FirstVolumeNeverOpens(*rest, std::string("\\\\?\\") + roots[0] + ":");
    const DWORD start = GetTickCount();
    const std::vector<DriveRecord> drives =
        DiscoverDrivesFrom({Version(2, 6, 1), *devices, HKEY_CURRENT_USER, kClassPath});
    const DWORD took = GetTickCount() - start;

    EXPECT_EQ(others, rest->opened) << "every other volume is asked";
    ASSERT_FALSE(others.empty()) << "Wine maps at least C: and Z:";
    EXPECT_EQ(others.size(), drives.size());
    for (const DriveRecord& drive : drives)
        EXPECT_EQ("Vol", drive.model);
    EXPECT_EQ(static_cast<int>(drives.size()), rest->closes);
    EXPECT_GE(took + 100, kDeviceDeadlineMs);
    EXPECT_LT(took, kDeviceDeadlineMs + 2000);
}

TEST_F(Discovery, AMissingClassKeyGivesNoRecords)
{
    EXPECT_TRUE(
        DiscoverModels(Version(2, 5, 1), "Software\\VestrelTests\\Discovery\\None").empty());
}

TEST_F(Discovery, AppendsToWhatTheListHolds)
{
    DriveRecordList records;
    records.Add({"First", "", ""});
    records.AddAll(DiscoverDrivesFrom({Version(2, 5, 1), volumes, HKEY_CURRENT_USER, kClassPath}));
    records.AddAll(DiscoverDrivesFrom({Version(2, 5, 1), volumes, HKEY_CURRENT_USER, kClassPath}));
    ASSERT_EQ(3u, records.Count());
    EXPECT_EQ("First", records.At(0).model);
    EXPECT_EQ("Reg", records.At(2).model);
}

} // namespace
