#include "identify/csmi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
// Timeout (3 s, under the scan's 4-second deadline), ControlCode, ReturnCode,
// Length (the bytes after the header); the rest zero.
Bytes Header(std::size_t total, const char* signature, std::uint32_t code,
             std::uint32_t returnCode = 0)
{
    Bytes bytes(total, 0);
    Put32(bytes, 0, 28);
    std::memcpy(&bytes[4], signature, std::strlen(signature));
    Put32(bytes, 12, 3);
    Put32(bytes, 16, code);
    Put32(bytes, 20, returnCode);
    Put32(bytes, 24, static_cast<std::uint32_t>(total - 28));
    return bytes;
}

TEST(Csmi, RequestsMatchThePublishedLayouts)
{
    // CSMI_SAS_DRIVER_INFO is 174 bytes, padded to 204; CSMI_SAS_PHY_INFO the
    // phy count, 3 bytes and 32 entries of 64.
    EXPECT_EQ(Header(204, "CSMIALL", 1), CsmiDriverInfoRequest());
    // The phy info's ReturnCode says failure until the driver sets it.
    EXPECT_EQ(Header(2080, "CSMISAS", 20, 1), CsmiPhyInfoRequest());

    // STP pass-through: its parameters at 28, the status at 72, the sector at
    // 164. The one declared data byte pads the structure to 168, and the
    // sector comes on top: 680.
    const unsigned char parameters[44] = {
        3,    0xFF, 0,    0,                         // phy, port, rate 0
        0,    0,    2,    0, 0, 0, 0, 0, 0, 0, 0, 0, // SAS address, reserved
        0x27, 0x80, 0xEC, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, // IDENTIFY, count 1
        0x11, 0,    0,    0, 0, 2, 0, 0};                                    // PIO | read, 512
    Bytes expected = Header(680, "CSMISAS", 25);
    std::copy(parameters, parameters + 44, expected.begin() + 28);
    CsmiSataDevice device;
    device.phy = 3;
    device.port = 0xFF;
    device.sasAddress[2] = 2;
    device.portNumber = 9; // names the drive, never sent
    EXPECT_EQ(expected, CsmiIdentifyRequest(device));
}

TEST(Csmi, OnlyIntelsRaidDriversAreAsked)
{
    // Whole names in any case. AMD's rcraid: CSMI requests have crashed Windows.
    for (const char* safe : {"iaStor", "IASTORAC", "iastoravc"})
        EXPECT_TRUE(IsCsmiSafeDriver(safe)) << safe;
    for (const char* unsafe :
         {"rcraid", "storahci", "iaStorA ", " iaStorA", "iaStorAVCX", "iaSto", ""})
        EXPECT_FALSE(IsCsmiSafeDriver(unsafe)) << "«" << unsafe << "»";
}

// The name read from a driver-info reply that holds `name` and of which the
// driver returned `returned` bytes, or "(failed)".
std::string DriverName(const std::string& name, std::size_t returned, std::uint32_t returnCode = 0)
{
    Bytes reply = Header(204, "CSMIALL", 1, returnCode);
    std::memcpy(&reply[28], name.data(), name.size());
    std::memcpy(&reply[28 + 81], "RST", 3); // szDescription
    std::string read;
    return ReadCsmiDriverInfo(reply.data(), reply.size(), returned, read) ? read : "(failed)";
}

TEST(Csmi, DriverInfoReplyGivesTheNameOnlyOnSuccess)
{
    const std::string longest(81, 'n'); // fills szName, no zero byte
    EXPECT_EQ("iaStorA", DriverName("iaStorA", 204));
    EXPECT_EQ(longest, DriverName(longest, 204));
    EXPECT_EQ("iaS", DriverName("iaStorA", 31));         // returned cuts the name
    EXPECT_EQ("iaStorA", DriverName("iaStorA", 100000)); // claims more than the buffer
    EXPECT_EQ("(failed)", DriverName("iaStorA", 204, 1));
    EXPECT_EQ("(failed)", DriverName("iaStorA", 27)); // header cut short
}

// One CSMI_SAS_PHY_ENTITY, at 32 + 64 * i: the controller's phy (device
// type at 0, phy identifier at 20), the port identifier at 28, the attached
// device (device type at 36, target protocol at 39, SAS address at 48, phy
// identifier at 56). A SATA drive unless said otherwise.
constexpr unsigned char kEndDevice = 0x10;
constexpr unsigned char kSata = 0x01;

struct Phy {
    unsigned char controllerPhy, port, attachedPhy = 0, type = kEndDevice, protocol = kSata;
};

Bytes PhyInfoReply(const std::vector<Phy>& phys, std::uint32_t returnCode = 0)
{
    Bytes reply = Header(2080, "CSMISAS", 20, returnCode);
    reply[28] = static_cast<unsigned char>(phys.size());
    for (std::size_t i = 0; i < phys.size(); ++i) {
        unsigned char* entry = &reply[32 + 64 * i];
        entry[0] = kEndDevice;
        entry[20] = phys[i].controllerPhy;
        entry[28] = phys[i].port;
        entry[36] = phys[i].type;
        entry[39] = phys[i].protocol;
        entry[48 + 2] = static_cast<unsigned char>(i); // tells the addresses apart
        entry[56] = phys[i].attachedPhy;
    }
    return reply;
}

// A drive found: its phy and port identifiers, the byte that tells its SAS
// address apart, its port number.
using Found = std::array<unsigned char, 4>;

TEST(Csmi, PhyInfoReplyListsTheAttachedSataDrives)
{
    // Intel's drivers put the port in different fields: RST 12 in
    // bPortIdentifier, with the phy identifiers all 0; RST 16 and 17 in the
    // controller's phy identifier; RST 14 in bPortIdentifier, the phy
    // identifiers only repeating the entry's index; RST 9 in none, so the
    // index tells it.
    const std::vector<Phy> rst12 = {{0, 0}, {0, 1}, {0, 2, 0, 0, 0}, {0, 3, 0, kEndDevice, 0x04}};
    const std::vector<Phy> rst16 = {{0, 0}, {2, 2}, {5, 5}};
    const std::vector<Found> rst16Found = {{0, 0, 0, 0}, {2, 2, 1, 2}, {5, 5, 2, 5}};
    std::vector<Phy> all32;
    std::vector<Found> found32;
    for (unsigned char i = 0; i < 32; ++i) {
        all32.push_back({i, 0});
        found32.push_back({i, 0, i, i});
    }
    Bytes tooMany = PhyInfoReply(rst12);
    tooMany[28] = 33;
    struct Case {
        const char* what;
        Bytes reply;
        std::vector<Found> found;
        bool ok = true;
        std::size_t returned = 2080;
    };
    const Case cases[] = {
        {"RST 12", PhyInfoReply(rst12), {{0, 0, 0, 0}, {0, 1, 1, 1}, {0, 3, 3, 3}}},
        {"RST 16", PhyInfoReply(rst16), rst16Found},
        {"RST 14",
         PhyInfoReply({{0, 1, 0}, {1, 3, 1}, {2, 4, 2}}),
         {{0, 1, 0, 1}, {1, 3, 1, 3}, {2, 4, 2, 4}}},
        {"RST 9", PhyInfoReply({{0, 0xFF}, {1, 0xFF}}), {{0, 0xFF, 0, 0}, {1, 0xFF, 1, 1}}},
        {"the attached phy identifiers first",
         PhyInfoReply({{2, 1, 4}, {3, 2, 6}}),
         {{2, 1, 0, 4}, {3, 2, 1, 6}}},
        {"then the controller's", PhyInfoReply({{4, 1}, {6, 2}}), {{4, 1, 0, 4}, {6, 2, 1, 6}}},
        {"32 phys", PhyInfoReply(all32), found32},
        {"SAS, nothing attached, a protocol without a device",
         PhyInfoReply({{0, 0, 0, kEndDevice, 0x08}, {1, 1, 0, 0, 0}, {2, 2, 0, 0, kSata}}),
         {}},
        {"returned cuts the third entry", PhyInfoReply(rst16), {}, false, 32 + 64 * 2 + 63},
        {"returned holds the entries counted", PhyInfoReply(rst16), rst16Found, true, 32 + 64 * 3},
        {"left as it was sent", CsmiPhyInfoRequest(), {}, false},
        {"claims more than the buffer", PhyInfoReply(rst16), rst16Found, true, 1u << 30},
        {"more phys than there is room for", tooMany, {}, false},
        {"failed", PhyInfoReply(rst12, 1), {}, false},
        {"header cut short", PhyInfoReply(rst12), {}, false, 20},
        {"no phy count", PhyInfoReply(rst12), {}, false, 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<CsmiSataDevice> devices(1);
        ASSERT_EQ(c.ok, ReadCsmiPhyInfo(c.reply.data(), c.reply.size(), c.returned, devices));
        std::vector<Found> found;
        for (const CsmiSataDevice& d : devices)
            found.push_back({d.phy, d.port, d.sasAddress[2], d.portNumber});
        EXPECT_EQ(c.found, found);
    }
}

// CSMI_SAS_STP_PASSTHRU_STATUS at 72: the connection status, the status FIS
// at 76 (the ATA status in its byte 2), uDataBytes at 160; the sector at 164.
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

// The sector an identify reply gives (the first `size` bytes of `reply`, of
// which the driver filled `returned`), or none.
Bytes Sector(const Bytes& reply, std::size_t returned = 680, std::size_t size = 680)
{
    const Bytes buffer(reply.begin(), reply.begin() + size); // a read past it is caught
    unsigned char sector[512] = {};
    if (!ReadCsmiIdentify(buffer.data(), buffer.size(), returned, sector))
        return {};
    return Bytes(sector, sector + 512);
}

TEST(Csmi, IdentifyReplyGivesTheSectorOnlyWhenTheDriveSaysSo)
{
    const Bytes ready = IdentifyReply(0x50);
    const Bytes sector(ready.begin() + 164, ready.begin() + 676);
    EXPECT_EQ(sector, Sector(ready));
    EXPECT_EQ(sector, Sector(IdentifyReply(0x00, 0))); // status left empty by the driver
    EXPECT_EQ(sector, Sector(ready, 676, 676));        // exactly the sector returned
    for (unsigned char status : {0x51, 0x70, 0xD0})    // ERR, device fault, busy
        EXPECT_EQ(Bytes(), Sector(IdentifyReply(status))) << int{status};
    EXPECT_EQ(Bytes(), Sector(IdentifyReply(0x50, 256)));       // short transfer
    EXPECT_EQ(Bytes(), Sector(IdentifyReply(0x50, 512, 3)));    // connection refused
    EXPECT_EQ(Bytes(), Sector(IdentifyReply(0x50, 512, 0, 1))); // failed
    EXPECT_EQ(Bytes(), Sector(ready, 675));                     // returned one byte short
    EXPECT_EQ(Bytes(), Sector(ready, 100000, 675));             // claims more than a short buffer
}

} // namespace
