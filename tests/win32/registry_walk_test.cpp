#include "discovery/registry_walk.h"
#include "tests/win32/support/registry_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kTreePath[] = "Software\\VestrelTests\\RegistryWalk";

const std::string kCorvaneLink =
    DiskLink("USBSTOR", "Disk&Ven_Corvane&Prod_External_Disk&Rev_0130", "NA12345X&0");
const std::string kPellumLink =
    DiskLink("USBSTOR", "Disk&Ven_Pellum&Prod_ZQ3104220AS&Rev_KC2A", "PL0001&0");
const std::string kOtherLink = DiskLink("USBSTOR", "Disk&Ven_Tollan&Prod_Stick&Rev_1.00", "T1&0");

struct Record {
    std::string model, serial, revision;
    int linkSeen, linkActive;
    bool operator==(const Record& o) const
    {
        return model == o.model && serial == o.serial && revision == o.revision &&
               linkSeen == o.linkSeen && linkActive == o.linkActive;
    }
};

std::ostream& operator<<(std::ostream& out, const Record& r)
{
    return out << "{" << r.model << " | " << r.serial << " | " << r.revision << " | " << r.linkSeen
               << r.linkActive << "}";
}

std::vector<Record> Records(const std::vector<DriveRecord>& drives)
{
    std::vector<Record> records;
    for (const DriveRecord& r : drives)
        records.push_back({r.model, r.serial, r.revision, r.linkSeen, r.linkActive});
    return records;
}

class RegistryWalk : public ::testing::Test {
protected:
    std::vector<Record> WalkClass() { return Records(WalkDeviceInterfaceClass(tree.Key())); }

    RegistryTree tree{HKEY_CURRENT_USER, kTreePath};
};

TEST_F(RegistryWalk, GivesOneRecordPerKnownDeviceInSubkeyOrderWithItsFlags)
{
    tree.AddDevice("A1", kCorvaneLink, 1);
    tree.AddDevice("A2", kOtherLink, 1);
    tree.AddDevice("A3", kPellumLink, 0);
    tree.AddDevice("A4", DiskLink("USBSTOR", "Disk&Ven_Ordix&Prod_Slim&Rev_2", "OX9&0"), -1);
    tree.AddDevice("A5", DiskLink("USBSTOR", "Disk&Ven_corvane&Prod_Lower&Rev_1", "L&0"), 1);
    tree.SetString("", "SymbolicLink", kCorvaneLink); // the class key's own values are not read

    EXPECT_EQ((std::vector<Record>{
                  {"External Disk", "NA12345X", "0130", 1, 1},
                  {"ZQ3104220AS", "PL0001", "KC2A", 1, 0},
                  {"Slim", "OX9", "2", 0, 0},
              }),
              WalkClass());
}

TEST_F(RegistryWalk, FlagsComeFromAnyDepthAndAreNeverCleared)
{
    // "Linked" three levels below the link, and a later "Linked" of 0.
    tree.SetString("D1\\#", "SymbolicLink", kCorvaneLink);
    tree.SetDword("D1\\#\\a\\b\\c", "Linked", 1);
    tree.SetDword("D1\\#\\z", "Linked", 0);
    // "Linked" above the link, in the device key itself.
    tree.SetDword("D2", "Linked", 1);
    tree.SetString("D2\\#\\deep\\er", "SymbolicLink", kPellumLink);

    const std::vector<Record> records = WalkClass();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(1, records[0].linkSeen);
    EXPECT_EQ(1, records[0].linkActive);
    EXPECT_EQ(1, records[1].linkSeen);
    EXPECT_EQ(1, records[1].linkActive);
}

TEST_F(RegistryWalk, MatchesValueNamesExactly)
{
    tree.SetString("D1\\#", "symboliclink", kCorvaneLink);
    tree.SetString("D2\\#", "SYMBOLICLINK", kCorvaneLink);
    tree.SetString("D3\\#", "SymbolicLink", kCorvaneLink);
    tree.SetDword("D3\\#\\Control", "LINKED", 1);
    tree.SetDword("D3\\#\\Control", "linked", 1);
    tree.SetString("D4\\#", "SymbolicLink ", kCorvaneLink);

    EXPECT_EQ((std::vector<Record>{{"External Disk", "NA12345X", "0130", 0, 0}}), WalkClass());
}

TEST_F(RegistryWalk, LaterLinksOfOneDeviceOverwriteEarlierOnes)
{
    // Subkeys are walked before a key's own values, each subtree fully.
    tree.SetString("D1", "SymbolicLink", kPellumLink);
    tree.SetString("D1\\#", "SymbolicLink", kCorvaneLink);
    tree.SetString("D1\\#\\x", "SymbolicLink", kOtherLink); // no known vendor: writes nothing
    // A later known link without "Prod_" keeps the model but not the rest.
    tree.SetString("D2\\1", "SymbolicLink", kCorvaneLink);
    tree.SetString("D2\\2", "SymbolicLink", DiskLink("USBSTOR", "Disk&Ven_Brevond", "BV7&0"));

    EXPECT_EQ((std::vector<Record>{
                  {"ZQ3104220AS", "PL0001", "KC2A", 0, 0},
                  {"External Disk", "BV7", "Unknown", 0, 0},
              }),
              WalkClass());
}

TEST_F(RegistryWalk, KeepsThePlaceholderWhenNoLinkNamedAModel)
{
    tree.AddDevice("D1", DiskLink("USBSTOR", "Disk&Ven_Corvane&Rev_0130", "NA1&0"), 1);
    tree.AddDevice(
        "D2", DiskLink("USBSTOR", "Disk&Ven_Corvane&Prod_XVESTRELUSELESSMODEL&Rev_1", "N&0"), 1);
    tree.AddDevice("D3", kOtherLink, 1);
    tree.AddKey("D4");
    EXPECT_TRUE(WalkClass().empty());
}

TEST_F(RegistryWalk, WalksOneDeviceKeyIntoTheGivenValues)
{
    tree.SetString("#", "SymbolicLink", kCorvaneLink);
    tree.SetDword("#\\Control", "Linked", 1);
    DriveRecord drive{"before", "before", "before", false, false};
    WalkDeviceInterfaceKey(tree.Key(), drive);
    EXPECT_EQ("External Disk", drive.model);
    EXPECT_EQ("NA12345X", drive.serial);
    EXPECT_EQ("0130", drive.revision);
    EXPECT_TRUE(drive.linkSeen);
    EXPECT_TRUE(drive.linkActive);
}

TEST_F(RegistryWalk, ReadsLinkedByNameIntoFourBytes)
{
    struct Case {
        DWORD type;
        std::string bytes;
        int active;
    };
    const Case cases[] = {
        {REG_DWORD, std::string("\x01\0\0\0", 4), 1},
        {REG_BINARY, std::string("\x01", 1), 1},
        {REG_DWORD, std::string("\x02\0\0\0", 4), 0},
        {REG_DWORD, std::string("\0\0\0\x01", 4), 0},
        {REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8), 0}, // too long for four bytes
        {REG_SZ, std::string("1\0", 2), 0},
        {REG_BINARY, std::string(), 0},
    };
    int index = 0;
    for (const Case& c : cases)
        tree.SetBytes("D" + std::to_string(index++) + "\\#", "Linked", c.type, c.bytes);
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i)
        tree.SetString("D" + std::to_string(i), "SymbolicLink", kCorvaneLink);

    const std::vector<Record> records = WalkClass();
    ASSERT_EQ(std::size(cases), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(1, records[i].linkSeen) << "case " << i;
        EXPECT_EQ(cases[i].active, records[i].linkActive) << "case " << i;
    }
}

TEST_F(RegistryWalk, TakesLinkDataByTheBytesReturnedUpToTheFirstNul)
{
    // A link stored as binary without a NUL, after a longer value whose bytes
    // stay behind in the shared buffer.
    const std::string link = "\\\\?\\USBSTOR#Disk&Ven_Ordix&Prod_Bare&Rev_7#SER1";
    tree.SetBytes("D1", "Big", REG_BINARY, std::string(200, 'Z'));
    tree.SetBytes("D1", "SymbolicLink", REG_BINARY, link);
    // A NUL inside the data ends the text.
    tree.SetBytes("D2", "SymbolicLink", REG_BINARY, kPellumLink + std::string("\0TAIL#X", 7));
    // A long link: 64 KB of serial.
    const std::string serial(64 * 1024, 'S');
    tree.SetString("D3", "SymbolicLink",
                   DiskLink("USBSTOR", "Disk&Ven_Brevond&Prod_Big&Rev_9", serial + "&0"));

    std::vector<Record> records = WalkClass();
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ((Record{"Bare", "SER1", "7", 0, 0}), records[0]);
    EXPECT_EQ((Record{"ZQ3104220AS", "PL0001", "KC2A", 0, 0}), records[1]);
    EXPECT_EQ("Big", records[2].model);
    EXPECT_EQ(serial.size(), records[2].serial.size());
    EXPECT_TRUE(records[2].serial == serial) << "the 64 KB serial differs";
}

TEST_F(RegistryWalk, EmptyKeysGiveNothing)
{
    EXPECT_TRUE(WalkClass().empty()) << "an empty class key";
    tree.AddKey("D1");
    tree.AddKey("D2\\#\\Control");
    tree.SetBytes("D3", "SymbolicLink", REG_SZ, "");
    tree.SetBytes("D4", "", REG_BINARY, "");
    EXPECT_TRUE(WalkClass().empty());
}

TEST_F(RegistryWalk, ReadsKeysWithLongClassNamesAndLongKeyNames)
{
    const std::string longClass(400, 'C');
    const std::string longName(255, 'N');
    tree.AddKey(longName, longClass.c_str());
    tree.AddKey(longName + "\\#", longClass.c_str());
    tree.SetString(longName + "\\#", "SymbolicLink", kCorvaneLink);
    tree.SetDword(longName + "\\#", "Linked", 1);

    EXPECT_EQ((std::vector<Record>{{"External Disk", "NA12345X", "0130", 1, 1}}), WalkClass());
}

TEST_F(RegistryWalk, StopsAtTheRegistrysDepthAndReturns)
{
    // The link at depth 2, "Linked" at depth 512 below the device key, and a
    // link at depth 513 that the walk must not reach.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(tree.Key(), "D1", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    for (int depth = 1; depth <= kMaxWalkDepth + 1; ++depth) {
        HKEY next = nullptr;
        const LONG status =
            RegCreateKeyExA(key, "k", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &next, nullptr);
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, status) << "depth " << depth;
        key = next;
        const std::string link = depth == kMaxWalkDepth + 1 ? kPellumLink : kCorvaneLink;
        if (depth == 2 || depth == kMaxWalkDepth + 1)
            RegSetValueExA(key, "SymbolicLink", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(link.c_str()),
                           static_cast<DWORD>(link.size() + 1));
        if (depth == kMaxWalkDepth) {
            const DWORD one = 1;
            RegSetValueExA(key, "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                           sizeof one);
        }
    }
    RegCloseKey(key);

    EXPECT_EQ((std::vector<Record>{{"External Disk", "NA12345X", "0130", 1, 1}}), WalkClass());
}

TEST_F(RegistryWalk, WalksThousandsOfDeviceKeys)
{
    constexpr int kDevices = 5000;
    for (int i = 0; i < kDevices; ++i) {
        char name[16];
        wsprintfA(name, "D%05d", i);
        const std::string serial = "S" + std::to_string(i) + "&0";
        tree.SetString(name, "SymbolicLink",
                       i % 2 ? DiskLink("USBSTOR", "Disk&Ven_Pellum&Prod_P&Rev_1", serial)
                             : DiskLink("USBSTOR", "Disk&Ven_Nobody&Prod_N&Rev_1", serial));
        tree.SetDword(name, "Linked", 1);
    }
    const std::vector<Record> records = WalkClass();
    ASSERT_EQ(static_cast<std::size_t>(kDevices / 2), records.size());
    EXPECT_EQ("S1", records.front().serial);
    EXPECT_EQ("S" + std::to_string(kDevices - 1), records.back().serial);
}

} // namespace
