#include "discovery/volume_query.h"
#include "tests/win32/support/fake_volumes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr DWORD kUsb = 7;
constexpr DWORD kSata = 11;
constexpr DWORD kAta = 3;

std::vector<unsigned char> UsbCorvane()
{
    return DescriptorReply(kUsb, "Corvane ", "External_Disk  ", "0130", "NA12345X&0");
}

class VolumeQuery : public ::testing::Test {
protected:
    // Queries one volume that answers with `reply`, and returns the records.
    DriveRecordList QueryOne(std::vector<unsigned char> reply, DWORD returned = 0)
    {
        volumes.answers["\\\\?\\E:"] = {true, true, std::move(reply), returned};
        DriveRecordList records;
        if (std::optional<DriveRecord> drive = QueryVolume("\\\\?\\E:", volumes))
            records.Add(*drive);
        EXPECT_EQ(1u, volumes.opened.size());
        EXPECT_EQ(1, volumes.closes);
        return records;
    }

    FakeVolumes volumes;
};

TEST_F(VolumeQuery, SendsTheDescriptorQueryAndClosesTheVolume)
{
    const DriveRecordList records = QueryOne(UsbCorvane());

    ASSERT_EQ(1u, volumes.opened.size());
    EXPECT_EQ("\\\\?\\E:", volumes.opened[0]);
    EXPECT_EQ(0u, volumes.accesses[0]);
    EXPECT_EQ(static_cast<DWORD>(FILE_SHARE_READ | FILE_SHARE_WRITE), volumes.shares[0]);
    ASSERT_EQ(1u, volumes.sent.size());
    EXPECT_EQ(0x002D1400u, volumes.sent[0].code);
    EXPECT_EQ((std::vector<unsigned char>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}), volumes.sent[0].in);
    EXPECT_EQ(10000u, volumes.sent[0].outSize);
    EXPECT_TRUE(volumes.sent[0].outZeroed);

    ASSERT_EQ(1u, records.Count());
    const DriveRecord& r = records.At(0);
    EXPECT_EQ("External Disk  ", r.model);
    EXPECT_EQ("NA12345X", r.serial);
    EXPECT_EQ("0130", r.revision);
    EXPECT_TRUE(r.linkSeen);
    EXPECT_TRUE(r.linkActive);
}

TEST_F(VolumeQuery, ListsOnlyUsbDrivesOfKnownVendors)
{
    EXPECT_EQ(0u, QueryOne(DescriptorReply(kSata, "Corvane", "M", "R", "S")).Count());
    volumes = {};
    EXPECT_EQ(0u, QueryOne(DescriptorReply(kAta, "Corvane", "M", "R", "S")).Count());
    volumes = {};
    EXPECT_EQ(0u, QueryOne(DescriptorReply(kUsb, "Tollan", "M", "R", "S")).Count());
    volumes = {};
    EXPECT_EQ(0u, QueryOne(DescriptorReply(kUsb, nullptr, "M", "R", "S")).Count())
        << "no vendor offset";
    volumes = {};
    const DriveRecordList noSerial = QueryOne(DescriptorReply(kUsb, "ORDIX", "M", "R", nullptr));
    ASSERT_EQ(1u, noSerial.Count());
    EXPECT_EQ("", noSerial.At(0).serial);
}

TEST_F(VolumeQuery, SkipsVolumesThatDoNotOpenOrAnswer)
{
    EXPECT_FALSE(QueryVolume("\\\\?\\Q:", volumes));
    EXPECT_EQ(0, volumes.closes) << "a volume that did not open is not closed";
    EXPECT_TRUE(volumes.sent.empty());

    volumes.answers["\\\\?\\E:"] = {true, false, UsbCorvane(), 0};
    EXPECT_FALSE(QueryVolume("\\\\?\\E:", volumes));
    EXPECT_EQ(1, volumes.closes);
}

TEST_F(VolumeQuery, TreatsHostileOffsetsAsAbsentTexts)
{
    // Offsets past the bytes returned, past the buffer, and near the top of
    // the address range; a serial without a NUL that runs to the buffer's end.
    std::vector<unsigned char> reply = UsbCorvane();
    reply.resize(10000, 'Q');
    SetField(reply, 16, 5000);
    SetField(reply, 20, 10000);
    SetField(reply, 24, 9990);
    const DriveRecordList records = QueryOne(reply, 10000);
    ASSERT_EQ(1u, records.Count());
    EXPECT_EQ(std::string(5000, 'Q'), records.At(0).model);
    EXPECT_EQ("", records.At(0).revision);
    EXPECT_EQ(std::string(10, 'Q'), records.At(0).serial);

    volumes = {};
    SetField(reply, 16, 0xFFFFFFF0u);
    SetField(reply, 20, 0x7FFFFFFFu);
    SetField(reply, 24, 300);
    const DriveRecordList cut = QueryOne(reply, 200); // the driver returned only 200 bytes
    ASSERT_EQ(1u, cut.Count());
    EXPECT_EQ("", cut.At(0).model);
    EXPECT_EQ("", cut.At(0).revision);
    EXPECT_EQ("", cut.At(0).serial);

    volumes = {};
    EXPECT_EQ(0u, QueryOne(UsbCorvane(), 20).Count()) << "the vendor lies past the bytes returned";
    volumes = {};
    EXPECT_EQ(1u, QueryOne(UsbCorvane(), 0xFFFFFFFFu).Count())
        << "a byte count larger than the buffer is cut to it";
}

TEST_F(VolumeQuery, AsksEveryLogicalDriveInTheSystemsOrder)
{
    char roots[1024] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
    std::vector<std::string> expected;
    for (DWORD at = 0; at < length; at += 4)
        expected.push_back(std::string("\\\\?\\") + roots[at] + ":");
    ASSERT_FALSE(expected.empty()) << "Wine maps at least C: and Z:";

    // Every volume is a volume of the same USB drive; the first does not open.
    for (std::size_t i = 1; i < expected.size(); ++i)
        volumes.answers[expected[i]] = {true, true, UsbCorvane(), 0};
    DriveRecordList records;
    records.AddAll(QueryAllVolumes(volumes));

    EXPECT_EQ(expected, volumes.opened);
    EXPECT_EQ(static_cast<int>(expected.size()) - 1, volumes.closes);
    ASSERT_EQ(expected.size() - 1, records.Count()) << "one record per volume, duplicates kept";
    for (std::size_t i = 0; i < records.Count(); ++i)
        EXPECT_EQ("NA12345X", records.At(i).serial);
}

} // namespace
