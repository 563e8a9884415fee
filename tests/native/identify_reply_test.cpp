#include "identify/ata_pass_through.h"
#include "identify/identify_reply.h"
#include "identify/nvme_identify.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

TEST(SatIdentifyCdb, IsPioDataInOfOneSectorAsThePublicToolsSendIt)
{
    // ATA PASS-THROUGH: protocol 4 (PIO data-in); T_DIR from the device,
    // BYTE_BLOCK, T_LENGTH in the count field, CK_COND clear; count 1;
    // command ECh (IDENTIFY DEVICE).
    const Bytes sixteen = {0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xEC, 0};
    const Bytes twelve = {0xA1, 0x08, 0x0E, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0};
    unsigned char cdb[16];
    std::memset(cdb, 0x55, sizeof cdb);
    ASSERT_EQ(16u, MakeSatIdentifyCdb(true, cdb));
    EXPECT_EQ(sixteen, Bytes(cdb, cdb + 16));
    std::memset(cdb, 0x55, sizeof cdb);
    ASSERT_EQ(12u, MakeSatIdentifyCdb(false, cdb));
    EXPECT_EQ(twelve, Bytes(cdb, cdb + 12));
    EXPECT_EQ(Bytes(4, 0), Bytes(cdb + 12, cdb + 16));
}

// Descriptor-format sense data with sense key `key` and an ATA Status Return
// descriptor carrying `status`, after `leading` bytes of another descriptor.
Bytes DescriptorSense(unsigned char key, unsigned char status, std::size_t leading = 0)
{
    Bytes sense = {0x72, key, 0x00, 0x1D, 0, 0, 0, 0};
    if (leading > 0) {
        sense.push_back(0x80); // a vendor descriptor
        sense.push_back(static_cast<unsigned char>(leading - 2));
        sense.resize(sense.size() + leading - 2, 0xFF);
    }
    const Bytes ata = {0x09, 0x0C, 0, 0x00, 0, 1, 0, 0, 0, 0, 0, 0, 0xA0, status};
    sense.insert(sense.end(), ata.begin(), ata.end());
    sense[7] = static_cast<unsigned char>(sense.size() - 8);
    return sense;
}

// Fixed-format sense data: key, additional sense code and qualifier, and
// the ATA status in the information field.
Bytes FixedSense(unsigned char key, unsigned char asc, unsigned char ascq, unsigned char status)
{
    Bytes sense(18, 0);
    sense[0] = 0x70;
    sense[2] = key;
    sense[4] = status;
    sense[7] = 10;
    sense[12] = asc;
    sense[13] = ascq;
    return sense;
}

TEST(SatReply, ShowsNoErrorOnlyWhenTheAtaStatusSaysSo)
{
    struct Case {
        const char* name;
        unsigned char scsiStatus;
        Bytes sense;
        bool noError;
    };
    const Bytes cutOff = [] {
        Bytes sense = DescriptorSense(0x01, 0x50);
        sense.resize(sense.size() - 1);
        return sense;
    }();
    const Case cases[] = {
        {"good, no sense data (registers not returned)", 0x00, {}, true},
        {"registers returned, ready", 0x02, DescriptorSense(0x01, 0x50), true},
        {"registers returned under no sense", 0x02, DescriptorSense(0x00, 0x50), true},
        {"after another descriptor", 0x02, DescriptorSense(0x01, 0x50, 12), true},
        {"fixed format, ready", 0x02, FixedSense(0x01, 0x00, 0x1D, 0x50), true},
        {"ERR set", 0x02, DescriptorSense(0x01, 0x51), false},
        {"device fault", 0x02, DescriptorSense(0x01, 0x70), false},
        {"busy", 0x02, DescriptorSense(0x01, 0xD0), false},
        {"aborted command", 0x02, DescriptorSense(0x0B, 0x51), false},
        {"aborted command, clean status", 0x02, DescriptorSense(0x0B, 0x50), false},
        {"fixed format, ERR set", 0x02, FixedSense(0x01, 0x00, 0x1D, 0x51), false},
        {"fixed format, invalid opcode", 0x02, FixedSense(0x05, 0x20, 0x00, 0x00), false},
        {"check condition without sense data", 0x02, {}, false},
        {"descriptor cut off by the sense length", 0x02, cutOff, false},
        {"good, but the registers show an error", 0x00, DescriptorSense(0x01, 0x51), false},
        {"busy SCSI status", 0x08, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.noError, SatReplyShowsNoError(c.scsiStatus, c.sense.data(), c.sense.size()));
    }
}

// A query reply as the storage driver fills it: the descriptor, the protocol
// request with the page's place, then the page.
Bytes NvmeReply(std::uint32_t offset = 40, std::uint32_t length = 4096)
{
    Bytes reply(48 + 4096, 0);
    auto put = [&reply](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            reply[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    put(0, 48);
    put(4, 48);
    put(8, 3); // NVMe
    put(24, offset);
    put(28, length);
    return reply;
}

TEST(NvmeReplyPage, IsBoundedByTheClaimedLengthTheReturnedBytesAndTheBuffer)
{
    struct Case {
        const char* name;
        Bytes reply;
        std::size_t returned;
        std::size_t start, size;
    };
    Bytes wrongVersion = NvmeReply();
    wrongVersion[0] = 40;
    const Case cases[] = {
        {"whole page", NvmeReply(), 48 + 4096, 48, 4096},
        {"returned short", NvmeReply(), 48 + 100, 48, 100},
        {"claims less", NvmeReply(40, 512), 48 + 4096, 48, 512},
        {"returned more than the buffer", NvmeReply(), 100000, 48, 4096},
        {"page further in", NvmeReply(140, 4096), 48 + 4096, 148, 3996},
        {"wrong descriptor version", wrongVersion, 48 + 4096, 0, 0},
        {"page overlapping the descriptor", NvmeReply(20), 48 + 4096, 0, 0},
        {"page past the returned bytes", NvmeReply(40), 48, 0, 0},
        {"page offset far out", NvmeReply(0xFFFFFFF0u), 48 + 4096, 0, 0},
        {"reply shorter than a descriptor", NvmeReply(), 47, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const NvmePagePlace place = FindNvmePage(c.reply.data(), c.reply.size(), c.returned);
        EXPECT_EQ(c.size, place.size);
        if (c.size > 0) {
            EXPECT_EQ(c.start, place.start);
        }
    }
}

struct Texts {
    std::string model, serial, firmware;
    bool operator==(const Texts& other) const
    {
        return model == other.model && serial == other.serial && firmware == other.firmware;
    }
};

void PrintTo(const Texts& texts, std::ostream* out)
{
    *out << '"' << texts.model << "\" \"" << texts.serial << "\" \"" << texts.firmware << '"';
}

// The texts a reply gives, or nothing.
bool ReplyTexts(IdentifyRequest request, const IdentifyReply& reply, Texts& texts)
{
    DriveRecord drive;
    if (!MakeReplyDrive(request, reply, drive))
        return false;
    texts = {drive.model, drive.serial, drive.revision};
    return true;
}

void Put(IdentifyReply& reply, std::size_t at, const std::string& text)
{
    std::memcpy(reply.bytes.data() + at, text.data(), text.size());
}

IdentifyReply NvmePage(const std::string& serial, const std::string& model,
                       const std::string& firmware)
{
    IdentifyReply reply;
    reply.size = kNvmeIdentifySize;
    reply.bytes[0] = 0x4D; // vendor id: the page is never all zero
    Put(reply, 4, serial);
    Put(reply, 24, model);
    Put(reply, 64, firmware);
    return reply;
}

TEST(NvmeRow, FieldsArePlainAsciiWithoutTheirPadding)
{
    struct Case {
        IdentifyReply page;
        Texts expected;
    };
    const Case cases[] = {
        {NvmePage("PL0NV0R123456      ", "Corvane NV2 1TB" + std::string(25, ' '), "2B2QEXM7"),
         {"Corvane NV2 1TB", "PL0NV0R123456", "2B2QEXM7"}},
        // Fields that fill their width, end early in a zero byte, start with
        // blanks or hold nothing.
        {NvmePage("ABCDEFGHIJKLMNOPQRST", std::string(40, 'M'), "1.0 "),
         {std::string(40, 'M'), "ABCDEFGHIJKLMNOPQRST", "1.0"}},
        {NvmePage(std::string("AB \0CD", 6), std::string("  MODEL\0X", 9), ""),
         {"  MODEL", "AB", ""}},
        {NvmePage("      0042          ", std::string(40, ' '), "        "), {"", "0042", ""}},
    };
    for (const Case& c : cases) {
        Texts texts;
        ASSERT_TRUE(ReplyTexts(IdentifyRequest::Nvme, c.page, texts));
        EXPECT_EQ(c.expected, texts);
    }
}

IdentifyReply SectorReply(const std::string& name, std::size_t size = kIdentifySectorSize)
{
    IdentifyReply reply;
    std::ifstream file(std::string(VESTREL_TEST_DATA_DIR) + "/identify/" + name, std::ios::binary);
    file.read(reinterpret_cast<char*>(reply.bytes.data()), kIdentifySectorSize);
    EXPECT_EQ(static_cast<std::streamsize>(kIdentifySectorSize), file.gcount()) << name;
    reply.size = size;
    return reply;
}

TEST(ReplyRow, EverySectorGivesTheSmartRowUnlessShortZeroOrBlank)
{
    Texts smart, sat16, sat12;
    ASSERT_TRUE(ReplyTexts(IdentifyRequest::Smart, SectorReply("02.bin"), smart));
    ASSERT_TRUE(ReplyTexts(IdentifyRequest::Sat16, SectorReply("02.bin"), sat16));
    ASSERT_TRUE(ReplyTexts(IdentifyRequest::Sat12, SectorReply("02.bin"), sat12));
    EXPECT_EQ((Texts{"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}), smart);
    EXPECT_EQ(smart, sat16);
    EXPECT_EQ(smart, sat12);

    Texts none;
    EXPECT_FALSE(ReplyTexts(IdentifyRequest::Sat16, SectorReply("02.bin", 511), none));
    EXPECT_FALSE(ReplyTexts(IdentifyRequest::Sat12, SectorReply("02.bin", 0), none));
    IdentifyReply zero;
    zero.size = kIdentifySectorSize;
    EXPECT_FALSE(ReplyTexts(IdentifyRequest::Sat16, zero, none));
    IdentifyReply nvmeZero;
    nvmeZero.size = kNvmeIdentifySize;
    EXPECT_FALSE(ReplyTexts(IdentifyRequest::Nvme, nvmeZero, none));
    IdentifyReply nvmeShort = NvmePage("S1", "M1", "F1");
    nvmeShort.size = kNvmeIdentifySize - 1;
    EXPECT_FALSE(ReplyTexts(IdentifyRequest::Nvme, nvmeShort, none));

    // No identity is no answer, whichever request brought it: a SMART reply
    // of zeros or cut short, a sector or page whose texts are all blank.
    IdentifyReply blank;
    blank.size = kIdentifySectorSize;
    std::fill(blank.bytes.begin() + 20, blank.bytes.begin() + 94, ' ');
    for (IdentifyRequest request : {IdentifyRequest::Smart, IdentifyRequest::Sat16,
                                    IdentifyRequest::Csmi, IdentifyRequest::JMicronAta}) {
        EXPECT_FALSE(ReplyTexts(request, zero, none)) << RequestKey(request);
        EXPECT_FALSE(ReplyTexts(request, blank, none)) << RequestKey(request);
    }
    EXPECT_FALSE(ReplyTexts(IdentifyRequest::Smart, SectorReply("02.bin", 16), none));
    EXPECT_FALSE(ReplyTexts(IdentifyRequest::RstNvme, NvmePage(" ", "", " "), none));
    EXPECT_EQ(Texts(), none);
    // One text is enough, a firmware alone included.
    EXPECT_TRUE(ReplyTexts(IdentifyRequest::RstNvme, NvmePage("", "", "F1"), none));
    EXPECT_EQ((Texts{"", "", "F1"}), none);
}

} // namespace
