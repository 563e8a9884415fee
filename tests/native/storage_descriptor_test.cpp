#include "discovery/storage_descriptor.h"
#include "discovery/volume_paths.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A zeroed reply buffer of the size the volume query uses, written to the
// way a driver fills in a descriptor.
class Reply {
public:
    Reply() : bytes(kDescriptorReplySize, 0) {}

    Reply& Field(std::size_t field, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes[field + i] = static_cast<unsigned char>(value >> (8 * i));
        return *this;
    }

    // Copies `text` without its NUL; the rest of the buffer is zero unless
    // written over.
    Reply& Text(std::size_t at, const char* text)
    {
        std::memcpy(&bytes[at], text, std::strlen(text));
        return *this;
    }

    // A USB descriptor of a known vendor with all four texts present.
    static Reply UsbDrive(const char* vendor, const char* model, const char* revision,
                          const char* serial)
    {
        Reply r;
        r.Field(kBusTypeField, kBusTypeUsb)
            .Field(kVendorIdOffsetField, 100)
            .Field(kProductIdOffsetField, 200)
            .Field(kRevisionOffsetField, 300)
            .Field(kSerialNumberOffsetField, 400);
        return r.Text(100, vendor).Text(200, model).Text(300, revision).Text(400, serial);
    }

    const unsigned char* data() const { return bytes.data(); }
    std::size_t size() const { return bytes.size(); }

private:
    std::vector<unsigned char> bytes;
};

bool Read(const Reply& reply, std::size_t returned, DriveRecord& drive)
{
    return ReadStorageDescriptor(reply.data(), reply.size(), returned, drive);
}

TEST(DescriptorText, IsBoundedByTheReturnedBytesAndTheBuffer)
{
    Reply reply;
    reply.Text(40, "ABC").Text(9995, "ABCDE");
    const auto text = [&](std::size_t returned, std::uint32_t offset) {
        return DescriptorText(reply.data(), reply.size(), returned, offset);
    };
    EXPECT_EQ("ABC", text(10000, 40));
    EXPECT_EQ("", text(10000, 0)) << "offset 0 means absent";
    EXPECT_EQ("", text(10000, 10000));
    EXPECT_EQ("", text(10000, 0xFFFFFFF0u)) << "must not wrap around to before the buffer";
    EXPECT_EQ("", text(10000, 0xFFFFFFFFu));
    EXPECT_EQ("", text(40, 100)) << "past the returned bytes";
    EXPECT_EQ("", text(40, 40)) << "at the returned bytes";
    EXPECT_EQ("AB", text(42, 40)) << "a text cut by the returned bytes ends there";
    EXPECT_EQ("ABCDE", text(10000, 9995)) << "no NUL before the end of the buffer";
    EXPECT_EQ("ABCDE", text(0x7FFFFFFF, 9995)) << "more returned than the buffer holds";
    EXPECT_EQ("", text(0, 40));
}

TEST(DescriptorField, ReadsLittleEndianAndNothingPastTheReply)
{
    Reply reply;
    reply.Field(kBusTypeField, 0x0A0B0C0D);
    EXPECT_EQ(0x0A0B0C0Du, DescriptorField(reply.data(), reply.size(), kBusTypeField));
    EXPECT_EQ(0x0A0B0C0Du, DescriptorField(reply.data(), 32, kBusTypeField));
    EXPECT_EQ(0u, DescriptorField(reply.data(), 31, kBusTypeField));
    EXPECT_EQ(0u, DescriptorField(reply.data(), 2, 0));
}

TEST(ReadStorageDescriptor, KeepsUsbDrivesOfKnownVendors)
{
    DriveRecord drive;
    ASSERT_TRUE(
        Read(Reply::UsbDrive("Corvane ", "External_Disk  ", "0130", "NA12345X&0"), 10000, drive));
    EXPECT_EQ("External Disk  ", drive.model) << "underscores become spaces, nothing is trimmed";
    EXPECT_EQ("NA12345X", drive.serial);
    EXPECT_EQ("0130", drive.revision);

    ASSERT_TRUE(Read(Reply::UsbDrive("PELLUM  ", "ZQ3104220AS", " 1_2 ", "  _X_  "), 600, drive));
    EXPECT_EQ("ZQ3104220AS", drive.model);
    EXPECT_EQ("_X_", drive.serial);
    EXPECT_EQ(" 1_2 ", drive.revision) << "the revision is kept as it is";

    EXPECT_TRUE(Read(Reply::UsbDrive("ordix", "M", "R", "S"), 10000, drive));
    EXPECT_TRUE(Read(Reply::UsbDrive("Brevond Inc", "M", "R", "S"), 10000, drive));
}

TEST(ReadStorageDescriptor, SkipsOtherBusesAndVendors)
{
    DriveRecord drive{"kept", "kept", "kept"};
    for (std::uint32_t bus : {0u, 1u, 3u, 6u, 8u, 11u, 17u, 0x107u})
        EXPECT_FALSE(
            Read(Reply::UsbDrive("Corvane", "M", "R", "S").Field(kBusTypeField, bus), 10000, drive))
            << "bus " << bus;
    for (const char* vendor : {"CorvaneX", " corvane", "Seagull", ""})
        EXPECT_FALSE(Read(Reply::UsbDrive(vendor, "M", "R", "S"), 10000, drive))
            << "vendor «" << vendor << "»";
    EXPECT_FALSE(Read(Reply::UsbDrive("Corvane", "M", "R", "S").Field(kVendorIdOffsetField, 0),
                      10000, drive))
        << "no vendor text";
    EXPECT_FALSE(Read(Reply::UsbDrive("Corvane", "M", "R", "S"), 100, drive))
        << "the vendor text lies past the returned bytes";
    EXPECT_FALSE(Read(Reply(), 10000, drive)) << "an empty reply";
    EXPECT_EQ("kept", drive.model);
    EXPECT_EQ("kept", drive.serial);
    EXPECT_EQ("kept", drive.revision);
}

TEST(ReadStorageDescriptor, TakesMissingOrHostileTextsAsEmpty)
{
    DriveRecord drive;
    ASSERT_TRUE(
        Read(Reply::UsbDrive("Corvane", "M", "R", "SERIAL").Field(kSerialNumberOffsetField, 0),
             10000, drive));
    EXPECT_EQ("", drive.serial);
    EXPECT_EQ("M", drive.model);

    Reply hostile = Reply::UsbDrive("Corvane", "M", "R", "S");
    hostile.Field(kSerialNumberOffsetField, 10000)
        .Field(kProductIdOffsetField, 0xFFFFFFF0u)
        .Field(kRevisionOffsetField, 0x80000000u);
    ASSERT_TRUE(Read(hostile, 10000, drive));
    EXPECT_EQ("", drive.serial);
    EXPECT_EQ("", drive.model);
    EXPECT_EQ("", drive.revision);

    // Texts past the bytes the driver returned are absent even though the
    // buffer holds something there.
    ASSERT_TRUE(Read(Reply::UsbDrive("Corvane", "M", "R", "S"), 250, drive));
    EXPECT_EQ("M", drive.model);
    EXPECT_EQ("", drive.revision);
    EXPECT_EQ("", drive.serial);

    // A serial that runs to the end of the buffer without a NUL.
    Reply full = Reply::UsbDrive("Corvane", "M", "R", "S");
    std::string tail(10000 - 9990, 'Q');
    full.Field(kSerialNumberOffsetField, 9990).Text(9990, tail.c_str());
    ASSERT_TRUE(Read(full, 10000, drive));
    EXPECT_EQ(tail, drive.serial);
}

TEST(ReadStorageDescriptor, NeedsAReplyLongEnoughForTheBus)
{
    Reply reply = Reply::UsbDrive("Corvane", "M", "R", "S");
    DriveRecord drive;
    EXPECT_FALSE(ReadStorageDescriptor(reply.data(), 31, 31, drive));
    EXPECT_FALSE(ReadStorageDescriptor(reply.data(), 0, 0, drive));
}

TEST(VolumePaths, MakesOnePathPerRootString)
{
    const char roots[] = "C:\\\0E:\\\0F:\\\0";
    EXPECT_EQ((std::vector<std::string>{"\\\\?\\C:", "\\\\?\\E:", "\\\\?\\F:"}),
              VolumePaths(roots, 12, 1024));
    EXPECT_EQ((std::vector<std::string>{"\\\\?\\C:"}), VolumePaths(roots, 4, 1024));
}

TEST(VolumePaths, GivesNoneForNothingOrALengthTheBufferCannotHold)
{
    const char roots[] = "C:\\\0E:\\\0";
    EXPECT_TRUE(VolumePaths(roots, 0, 1024).empty());
    EXPECT_TRUE(VolumePaths(roots, 2000, 1024).empty()) << "the size the call would need";
    EXPECT_TRUE(VolumePaths(roots, 1024, 1024).empty());
    std::vector<char> all(1024, 0);
    for (std::size_t at = 0; at + 4 <= 1023; at += 4)
        all[at] = 'D';
    EXPECT_EQ(256u, VolumePaths(all.data(), 1023, 1024).size());
}

} // namespace
