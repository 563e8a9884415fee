#include "discovery/discovery_driver.h"
#include "discovery/discovery_sources.h"
#include "tests/win32/support/fake_volumes.h"
#include "tests/win32/support/registry_tree.h"

#include <gtest/gtest.h>

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
