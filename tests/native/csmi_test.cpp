#include "identify/csmi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// SRB_IO_CONTROL as the SDK lays it out: HeaderLength (28), Signature[8],
// Timeout, ControlCode, ReturnCode, Length (the bytes after the header).
Bytes Header(std::size_t total, const char* signature, std::uint32_t code,
             std::uint32_t returnCode = 0)
{
    Bytes bytes(total, 0);
    Put32(bytes, 0, 28);
    std::memcpy(&bytes[4], signature, std::strlen(signature));
    Put32(bytes, 12, 3); // seconds, under the scan's 4-second deadline
    Put32(bytes, 16, code);
    Put32(bytes, 20, returnCode);
    Put32(bytes, 24, static_cast<std::uint32_t>(total - 28));
    return bytes;
}

TEST(Csmi, RequestsMatchThePublishedLayouts)
{
    // Driver info (code 1, "CSMIALL"): the header and CSMI_SAS_DRIVER_INFO
    // (81 + 81 bytes of names, six 16-bit revisions: 174 bytes), padded to
    // 204.
    EXPECT_EQ(Header(204, "CSMIALL", 1), CsmiDriverInfoRequest());
    // Phy info (code 20, "CSMISAS"): the header, the phy count with 3 bytes
    // after it, 32 phy entries of 64 bytes.
    EXPECT_EQ(Header(2080, "CSMISAS", 20), CsmiPhyInfoRequest());

    // STP pass-through (code 25, "CSMISAS"): at 28 the phy and port
    // identifiers, the connection rate (0, negotiated), a reserved byte, the
    // SAS address, 4 reserved bytes, the 20-byte command FIS, the flags (PIO
    // 10h | read 01h), the data length; at 72 the 92-byte status; the sector
    // at 164. The structure's one declared data byte pads it to 168, and the
    // sector comes on top: 680 bytes.
    CsmiSataDevice device;
    device.phy = 3;
    device.port = 0xFF;
    const unsigned char address[8] = {0, 0, 2, 0, 0, 0, 0, 0};
    std::memcpy(device.sasAddress, address, 8);
    device.portNumber = 9; // names the drive, never sent
    Bytes expected = Header(680, "CSMISAS", 25);
    expected[28] = 3;
    expected[29] = 0xFF;
    expected[34] = 2;
    // Register FIS from the host: type 27h, C bit, IDENTIFY DEVICE (ECh),
    // features, LBA, device 0, count 1 in byte 12.
    const unsigned char fis[20] = {0x27, 0x80, 0xEC, 0, 0, 0, 0, 0, 0, 0,
                                   0,    0,    1,    0, 0, 0, 0, 0, 0, 0};
    std::memcpy(&expected[44], fis, sizeof fis);
    Put32(expected, 64, 0x11);
    Put32(expected, 68, 512);
    EXPECT_EQ(expected, CsmiIdentifyRequest(device));
}

TEST(Csmi, OnlyIntelsRaidDriversAreAsked)
{
    struct Case {
        const char* service;
        bool safe;
    };
    const Case cases[] = {
        {"iaStor", true},      {"iaStorV", true},   {"iaStorA", true},   {"IASTORAC", true},
        {"iastoravc", true},   {"iaStorAV", true},  {"iaStorVD", true},  {"rcraid", false},
        {"amdsata", false},    {"storahci", false}, {"iaStorA ", false}, {" iaStorA", false},
        {"iaStorAVCX", false}, {"iaSto", false},    {"", false},

    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.service);
        EXPECT_EQ(c.safe, IsCsmiSafeDriver(c.service));
    }
}

Bytes DriverInfoReply(const std::string& name, std::uint32_t returnCode = 0)
{
    Bytes reply = Header(204, "CSMIALL", 1, returnCode);
    std::memcpy(&reply[28], name.data(), name.size());
    return reply;
}

TEST(Csmi, DriverInfoReplyGivesTheNameOnlyOnSuccess)
{
    const std::string longest(81, 'n'); // fills szName, no zero byte
    struct Case {
        const char* what;
        Bytes reply;
        std::size_t size, returned;
        bool ok;
        std::string name;
    };
    const Case cases[] = {
        {"whole reply", DriverInfoReply("iaStorA"), 204, 204, true, "iaStorA"},
        {"name fills its field", DriverInfoReply(longest), 204, 204, true, longest},
        {"returned cuts the name", DriverInfoReply("iaStorA"), 204, 31, true, "iaS"},
        {"claims more than the buffer", DriverInfoReply("iaStorA"), 204, 100000, true, "iaStorA"},
        {"failed", DriverInfoReply("iaStorA", 1), 204, 204, false, ""},
        {"header cut short", DriverInfoReply("iaStorA"), 204, 27, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes buffer(c.reply.begin(), c.reply.begin() + c.size);
        std::string name = "unchanged";
        ASSERT_EQ(c.ok, ReadCsmiDriverInfo(buffer.data(), buffer.size(), c.returned, name));
        if (c.ok) {
            EXPECT_EQ(c.name, name);
        }
    }
}

// One CSMI_SAS_PHY_ENTITY: the controller's phy (Identify at 0: device type,
// phy identifier at 20), the port identifier at 28, the attached device
// (Attached at 36: device type, target protocol at 39, SAS address at 48,
// phy identifier at 56).
struct Phy {
    unsigned char controllerPhy, port, attachedType, attachedProtocol, attachedPhy, address;
};

constexpr unsigned char kEndDevice = 0x10;
constexpr unsigned char kSata = 0x01;
constexpr unsigned char kStp = 0x04;
constexpr unsigned char kSsp = 0x08;

Bytes PhyInfoReply(const std::vector<Phy>& phys, std::uint32_t returnCode = 0)
{
    Bytes reply = Header(2080, "CSMISAS", 20, returnCode);
    reply[28] = static_cast<unsigned char>(phys.size());
    for (std::size_t i = 0; i < phys.size(); ++i) {
        const std::size_t at = 32 + 64 * i;
        reply[at] = kEndDevice;
        reply[at + 20] = phys[i].controllerPhy;
        reply[at + 28] = phys[i].port;
        reply[at + 36] = phys[i].attachedType;
        reply[at + 39] = phys[i].attachedProtocol;
        reply[at + 48 + 2] = phys[i].address;
        reply[at + 56] = phys[i].attachedPhy;
    }
    return reply;
}

// A found drive: its phy and port identifiers, the byte that tells its SAS
// address apart, and its port number.
struct Found {
    unsigned char phy, port, address, portNumber;
    bool operator==(const Found& other) const
    {
        return phy == other.phy && port == other.port && address == other.address &&
               portNumber == other.portNumber;
    }
};

TEST(Csmi, PhyInfoReplyListsTheAttachedSataDrives)
{
    const Phy none = {0, 0, 0, 0, 0, 0};
    // As Intel's RST 12 answers: ports in bPortIdentifier, phy identifiers 0.
    const std::vector<Phy> rst12 = {{0, 0, kEndDevice, kSata, 0, 0x00},
                                    {0, 1, kEndDevice, kSata, 0, 0x01},
                                    {0, 2, 0, 0, 0, 0x00},
                                    {0, 3, kEndDevice, kStp, 0, 0x03}};
    // As RST 16 and 17 answer: the port in the controller's phy identifier.
    const std::vector<Phy> rst16 = {{0, 0, kEndDevice, kSata, 0, 0x00},
                                    {2, 2, kEndDevice, kSata, 0, 0x02},
                                    {5, 5, kEndDevice, kSata, 0, 0x05}};
    // As RST 14 answers: the port in bPortIdentifier, the phy identifiers
    // only repeating the entry's index.
    const std::vector<Phy> rst14 = {{0, 1, kEndDevice, kSata, 0, 0x01},
                                    {1, 3, kEndDevice, kSata, 1, 0x03},
                                    {2, 4, kEndDevice, kSata, 2, 0x04}};
    // As RST 9 answers: no field tells the port, so the entry's index does.
    const std::vector<Phy> rst9 = {{0, 0xFF, kEndDevice, kSata, 0, 0x00},
                                   {1, 0xFF, kEndDevice, kSata, 0, 0x01}};
    std::vector<Phy> all32(32, Phy{0, 0, kEndDevice, kSata, 0, 0});
    std::vector<Found> found32;
    for (unsigned char i = 0; i < 32; ++i) {
        all32[i] = {i, 0, kEndDevice, kSata, 0, i};
        found32.push_back({i, 0, i, i});
    }
    Bytes tooMany = PhyInfoReply(rst12);
    tooMany[28] = 33;
    struct Case {
        const char* what;
        Bytes reply;
        std::size_t returned;
        bool ok;
        std::vector<Found> found;
    };
    const Case cases[] = {
        {"RST 12", PhyInfoReply(rst12), 2080, true, {{0, 0, 0, 0}, {0, 1, 1, 1}, {0, 3, 3, 3}}},
        {"RST 16", PhyInfoReply(rst16), 2080, true, {{0, 0, 0, 0}, {2, 2, 2, 2}, {5, 5, 5, 5}}},
        {"RST 14", PhyInfoReply(rst14), 2080, true, {{0, 1, 1, 1}, {1, 3, 3, 3}, {2, 4, 4, 4}}},
        {"RST 9", PhyInfoReply(rst9), 2080, true, {{0, 0xFF, 0, 0}, {1, 0xFF, 1, 1}}},
        {"32 phys", PhyInfoReply(all32), 2080, true, found32},
        {"no SATA device",
         PhyInfoReply({{0, 0, kEndDevice, kSsp, 0, 0}, none, {2, 2, 0, kSata, 0, 2}}),
         2080,
         true,
         {}},
        {"no phys", PhyInfoReply({}), 2080, true, {}},
        {"returned cuts the third entry",
         PhyInfoReply(rst16),
         32 + 64 * 2 + 63,
         true,
         {{0, 0, 0, 0}, {2, 2, 2, 2}}},
        {"claims more than the buffer",
         PhyInfoReply(rst16),
         1u << 30,
         true,
         {{0, 0, 0, 0}, {2, 2, 2, 2}, {5, 5, 5, 5}}},
        {"more phys than there is room for", tooMany, 2080, false, {}},
        {"failed", PhyInfoReply(rst12, 1), 2080, false, {}},
        {"header cut short", PhyInfoReply(rst12), 20, false, {}},
        {"no phy count", PhyInfoReply(rst12), 28, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CsmiSataDevice> devices(1);
        ASSERT_EQ(c.ok, ReadCsmiPhyInfo(c.reply.data(), c.reply.size(), c.returned, devices));
        std::vector<Found> found;
        for (const CsmiSataDevice& device : devices)
            found.push_back({device.phy, device.port, device.sasAddress[2], device.portNumber});
        EXPECT_EQ(c.found, found);
    }
}

// CSMI_SAS_STP_PASSTHRU_STATUS at 72: connection status, the status FIS at
// 76 (the ATA status in its byte 2), uDataBytes at 160; the sector at 164.
Bytes IdentifyReply(unsigned char ataStatus, std::uint32_t dataBytes = 512,
                    unsigned char connection = 0, std::uint32_t returnCode = 0)
{
    Bytes reply = Header(680, "CSMISAS", 25, returnCode);
    reply[72] = connection;
    reply[76] = 0x34;
    reply[78] = ataStatus;
    Put32(reply, 160, dataBytes);
    for (std::size_t i = 0; i < 512; ++i)
        reply[164 + i] = static_cast<unsigned char>(i * 7 + 1);
    return reply;
}

TEST(Csmi, IdentifyReplyGivesTheSectorOnlyWhenTheDriveSaysSo)
{
    struct Case {
        const char* what;
        Bytes reply;
        std::size_t size, returned;
        bool ok;
    };
    const Case cases[] = {
        {"ready", IdentifyReply(0x50), 680, 680, true},
        {"status left empty by the driver", IdentifyReply(0x00, 0), 680, 680, true},
        {"exactly the sector returned", IdentifyReply(0x50), 676, 676, true},
        {"ERR", IdentifyReply(0x51), 680, 680, false},
        {"device fault", IdentifyReply(0x70), 680, 680, false},
        {"busy", IdentifyReply(0xD0), 680, 680, false},
        {"short transfer", IdentifyReply(0x50, 256), 680, 680, false},
        {"connection refused", IdentifyReply(0x50, 512, 3), 680, 680, false},
        {"failed", IdentifyReply(0x50, 512, 0, 1), 680, 680, false},
        {"returned one byte short", IdentifyReply(0x50), 680, 675, false},
        {"claims more than a short buffer", IdentifyReply(0x50), 675, 100000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes buffer(c.reply.begin(), c.reply.begin() + c.size);
        unsigned char sector[512];
        std::memset(sector, 0xEE, sizeof sector);
        ASSERT_EQ(c.ok, ReadCsmiIdentify(buffer.data(), buffer.size(), c.returned, sector));
        if (c.ok) {
            EXPECT_EQ(Bytes(c.reply.begin() + 164, c.reply.begin() + 676),
                      Bytes(sector, sector + 512));
        }
    }
}

} // namespace
