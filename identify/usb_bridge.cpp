#include "identify/usb_bridge.h"

#include <cctype>
#include <cstddef>

namespace {

// A bridge the program knows. Revisions bound the bcdDevice values the row
// holds for; a row for any revision also holds when the revision is unknown.
constexpr int kAnyRevision = -1;

struct KnownBridge {
    std::uint16_t vendor;
    std::uint16_t product;
    int revisionLow;
    int revisionHigh;
    BridgeProtocol protocol;
    bool alsoSata; // an NVMe bridge whose chip also takes SATA drives
};

// Marks an NVMe row whose chip also takes SATA drives, which the translation, always tried first,
// reads; a drive behind it that gave no identity may then be either.
constexpr bool kAlsoSata = true;

constexpr KnownBridge Bridge(std::uint16_t vendor, std::uint16_t product, BridgeProtocol protocol,
                             bool alsoSata = false)
{
    return {vendor, product, kAnyRevision, kAnyRevision, protocol, alsoSata};
}

constexpr KnownBridge Revisions(std::uint16_t vendor, std::uint16_t product, int low, int high,
                                BridgeProtocol protocol)
{
    return {vendor, product, low, high, protocol, false};
}

constexpr BridgeProtocol kNone = BridgeProtocol::None;
constexpr BridgeProtocol kJMicronAta = BridgeProtocol::JMicronAta;
constexpr BridgeProtocol kCypressAta = BridgeProtocol::CypressAta;
constexpr BridgeProtocol kSunplusAta = BridgeProtocol::SunplusAta;
constexpr BridgeProtocol kProlificAta = BridgeProtocol::ProlificAta;
constexpr BridgeProtocol kJMicronNvme = BridgeProtocol::JMicronNvme;
constexpr BridgeProtocol kAsmediaNvme = BridgeProtocol::AsmediaNvme;
constexpr BridgeProtocol kRealtekNvme = BridgeProtocol::RealtekNvme;

// Every id comes from the USB section of smartmontools' drive database
// (drivedb.h), which names each bridge's pass-through; the comment says the
// device it lists. Ids it gives the plain translation ("sat") need no row:
// an id without a row gets None. Rows with None record where the database
// names an id for the translation, or leaves it unsupported, beside a vendor
// protocol, so that the two never let a vendor command through.
constexpr KnownBridge kKnownBridges[] = {
    // JMicron's ATA pass-through (DFh)
    Bridge(0x043e, 0x70f1, kJMicronAta),                    // drivedb.h: LG Mini HXD5
    Bridge(0x04e8, 0x1f05, kJMicronAta),                    // drivedb.h: Samsung S2 Portable
    Bridge(0x04e8, 0x1f06, kJMicronAta),                    // drivedb.h: Samsung S2 Portable
    Bridge(0x04e8, 0x1f08, kJMicronAta),                    // drivedb.h: Samsung S2 Portable
    Bridge(0x04e8, 0x1f0a, kJMicronAta),                    // drivedb.h: Samsung S2 Portable
    Bridge(0x04e8, 0x2f03, kJMicronAta),                    // drivedb.h: Samsung S1 Portable
    Bridge(0x04e8, 0x2f06, kJMicronAta),                    // drivedb.h: Samsung S1 Mini
    Revisions(0x04e8, 0x6032, 0x0000, 0x0000, kJMicronAta), // drivedb.h: Samsung G2 Portable
    Revisions(0x04e8, 0x6032, 0x0001, 0xffff, kNone),       // drivedb.h: later G2, translation
    Bridge(0x059b, 0x0274, kJMicronAta),                    // drivedb.h: Iomega MDHD500-U
    Bridge(0x059b, 0x0277, kJMicronAta),                    // drivedb.h: Iomega MDHD-UE
    Bridge(0x059b, 0x0278, kJMicronAta),                    // drivedb.h: Iomega LDHD-UPS
    Bridge(0x059b, 0x0470, kJMicronAta),                    // drivedb.h: Iomega LPHD-UP
    Bridge(0x059b, 0x0475, kJMicronAta),                    // drivedb.h: Iomega GDHDU2
    Bridge(0x059b, 0x0571, kJMicronAta),                    // drivedb.h: Iomega
    Bridge(0x059b, 0x0575, kJMicronAta),                    // drivedb.h: Iomega LDHD-UP
    Bridge(0x059f, 0x0951, kJMicronAta),                    // drivedb.h: LaCie hard disk
    Bridge(0x059f, 0x1019, kJMicronAta),                    // drivedb.h: LaCie Desktop Hard Drive
    Bridge(0x059f, 0x101d, kJMicronAta),                    // drivedb.h: LaCie Rugged Hard Drive
    Bridge(0x059f, 0x1021, kJMicronAta),                    // drivedb.h: LaCie Little Disk USB2
    Bridge(0x059f, 0x102a, kJMicronAta),                    // drivedb.h: LaCie rikiki
    Bridge(0x067b, 0x2507, kJMicronAta), // drivedb.h: Prolific PL2507, JMicron's command
    Bridge(0x067b, 0x3507, kNone),       // drivedb.h: Prolific PL3507, a 14-byte form
    Bridge(0x07ab, 0xfc85, kJMicronAta), // drivedb.h: Freecom FHD-2 Pro
    Bridge(0x07ab, 0xfc88, kJMicronAta), // drivedb.h: Freecom Mobile Drive XXS
    Bridge(0x07ab, 0xfcd6, kJMicronAta), // drivedb.h: Freecom
    Bridge(0x07ab, 0xfcda, kJMicronAta), // drivedb.h: Freecom
    Revisions(0x152d, 0x0539, 0x0100, 0x0100, kNone),       // drivedb.h: JMS539, may drop the drive
    Bridge(0x152d, 0x0551, kJMicronAta),                    // drivedb.h: JMicron, port multiplier
    Bridge(0x152d, 0x2329, kJMicronAta),                    // drivedb.h: JMicron JM20329
    Bridge(0x152d, 0x2336, kJMicronAta),                    // drivedb.h: JMicron JM20336
    Bridge(0x152d, 0x2337, kJMicronAta),                    // drivedb.h: generic JMicron adapter
    Bridge(0x152d, 0x2338, kJMicronAta),                    // drivedb.h: JMicron JM20337/8
    Bridge(0x152d, 0x2339, kJMicronAta),                    // drivedb.h: JMicron JM20339
    Bridge(0x152d, 0x2352, kJMicronAta),                    // drivedb.h: JMicron
    Revisions(0x152d, 0x2509, 0x0100, 0x0100, kJMicronAta), // drivedb.h: JMicron, old firmware
    Revisions(0x152d, 0x2509, 0x0107, 0x0107, kNone),       // drivedb.h: newer, translation
    Bridge(0x152d, 0x2566, kJMicronAta),                    // drivedb.h: JMicron JMS566
    Bridge(0x18a5, 0x0227, kJMicronAta),                    // drivedb.h: Verbatim Pocket Hard Drive
    Bridge(0x18a5, 0x022a, kJMicronAta), // drivedb.h: Verbatim External Hard Drive
    Bridge(0x18a5, 0x022b, kJMicronAta), // drivedb.h: Verbatim Store'n'Go
    Bridge(0x4971, 0x1011, kJMicronAta), // drivedb.h: Hitachi Touro Desk
    Bridge(0x4971, 0xce17, kJMicronAta), // drivedb.h: Hitachi/SimpleTech

    // Cypress ATACB (24h 24h)
    Revisions(0x04b4, 0x6830, 0x0001, 0x0001, kNone),       // drivedb.h: CY7C68300A, unsupported
    Revisions(0x04b4, 0x6830, 0x0240, 0x0240, kCypressAta), // drivedb.h: CY7C68300B/C
    Bridge(0x059b, 0x0272, kCypressAta),                    // drivedb.h: Iomega LPHD080-0
    Bridge(0x05ab, 0x0060, kCypressAta),                    // drivedb.h: In-System ISD-300A1
    Bridge(0x0bc2, 0x0503, kCypressAta),                    // drivedb.h: Seagate External Drive
    Bridge(0x0c0b, 0xb001, kCypressAta),                    // drivedb.h: Dura Micro
    Bridge(0x0dbf, 0x9001, kCypressAta),                    // drivedb.h: Medion HDDrive2Go
    Bridge(0x0e21, 0x0510, kCypressAta),                    // drivedb.h: Cowon iAudio X5
    Bridge(0x1006, 0x3002, kCypressAta),                    // drivedb.h: iRiver iHP-120/140
    Bridge(0x1058, 0x0701, kCypressAta),                    // drivedb.h: WD My Passport (IDE)
    Bridge(0x125f, 0xa93a, kCypressAta),                    // drivedb.h: ADATA SH93
    Bridge(0x125f, 0xa94a, kCypressAta),                    // drivedb.h: ADATA

    // Sunplus (F8h)
    Bridge(0x03f0, 0x070c, kSunplusAta), // drivedb.h: HP Personal Media Drive
    Bridge(0x0480, 0xa004, kSunplusAta), // drivedb.h: Toshiba Canvio 500GB
    Bridge(0x04fc, 0x0c05, kSunplusAta), // drivedb.h: SunPlus
    Bridge(0x04fc, 0x0c15, kSunplusAta), // drivedb.h: SunPlus SPDIF215
    Bridge(0x04fc, 0x0c25, kSunplusAta), // drivedb.h: SunPlus SPDIF225
    Bridge(0x059b, 0x0370, kSunplusAta), // drivedb.h: Iomega LDHD-UP
    Bridge(0x059f, 0x1010, kSunplusAta), // drivedb.h: LaCie Desktop Hard Drive
    Bridge(0x0766, 0x0017, kSunplusAta), // drivedb.h: Packard Bell Carbon
    Bridge(0x07ab, 0xfc8e, kSunplusAta), // drivedb.h: Freecom Hard Drive XS
    Bridge(0x0930, 0x0b03, kSunplusAta), // drivedb.h: Toshiba PX1270E-1G16
    Bridge(0x0930, 0x0b09, kSunplusAta), // drivedb.h: Toshiba PX1396E-3T01
    Bridge(0x0930, 0x0b11, kSunplusAta), // drivedb.h: Toshiba Stor.E Steel
    Bridge(0x0930, 0xa002, kSunplusAta), // drivedb.h: Toshiba
    Bridge(0x0939, 0x0b15, kSunplusAta), // drivedb.h: Toshiba Stor.E
    Bridge(0x0939, 0x0b16, kSunplusAta), // drivedb.h: Toshiba Stor.E
    Bridge(0x0c0b, 0xb159, kSunplusAta), // drivedb.h: Dura Micro 509
    Bridge(0x18a5, 0x0214, kSunplusAta), // drivedb.h: Verbatim Portable Hard Drive
    Bridge(0x18a5, 0x0216, kSunplusAta), // drivedb.h: Verbatim External Hard Drive 47519
    Bridge(0x1bcf, 0x0c31, kSunplusAta), // drivedb.h: SunplusIT
    Bridge(0x3538, 0x0064, kSunplusAta), // drivedb.h: PQI bridge
    Revisions(0x3538, 0x0902, 0x010f, 0x010f, kSunplusAta), // drivedb.h: PQI H550, not the H560

    // Prolific (D8h)
    Bridge(0x067b, 0x2571, kProlificAta), // drivedb.h: Prolific PL2571
    Bridge(0x067b, 0x2771, kProlificAta), // drivedb.h: Prolific PL2771
    Bridge(0x067b, 0x2773, kProlificAta), // drivedb.h: Prolific PL2773
    Bridge(0x067b, 0x2775, kProlificAta), // drivedb.h: Prolific PL2775

    // JMicron NVMe (A1h in three steps); the JMS581 also takes SATA drives. SATA adapters share
    // the JMS583's id, told apart by their revision alone: the JMicron sequence would reach them
    // as an ATA hardware reset, so those revisions, named both ways, get None, and so does the
    // id without a revision.
    Bridge(0x152d, 0x0581, kJMicronNvme, kAlsoSata),         // drivedb.h: JMicron JMS581
    Revisions(0x152d, 0x0583, 0x0000, 0xffff, kJMicronNvme), // drivedb.h: JMicron JMS583
    Revisions(0x152d, 0x0583, 0x0205, 0x0205, kNone),        // drivedb.h: SATA adapter, JMS583 id
    Revisions(0x152d, 0x0583, 0x0414, 0x0414, kNone),        // drivedb.h: SATA adapter, JMS583 id
    Revisions(0x152d, 0x0583, 0x3202, 0x3202, kNone),        // drivedb.h: SATA adapter, JMS583 id
    Revisions(0x152d, 0x0583, 0x9128, 0x9128, kNone),        // drivedb.h: Wavlink dock, JMS583 id
    Bridge(0x152d, 0xa581, kJMicronNvme, kAlsoSata),         // drivedb.h: JMicron JMS581
    Bridge(0x152d, 0xa583, kJMicronNvme),                    // drivedb.h: JMicron JMS583
    Bridge(0x152d, 0xb581, kJMicronNvme, kAlsoSata),         // drivedb.h: JMicron JMS581
    Bridge(0x21c4, 0x0003, kJMicronNvme),                    // drivedb.h: Lexar ES3 Portable SSD
    Bridge(0x21c4, 0x0030, kJMicronNvme),                    // drivedb.h: Lexar SL300 Portable SSD
    Bridge(0x21c4, 0xb06a, kJMicronNvme),                    // drivedb.h: Lexar E6 NVMe enclosure
    Bridge(0x30de, 0x1000, kJMicronNvme),                    // drivedb.h: KIOXIA EXCERIA PLUS

    // ASMedia NVMe (E6h). USB flash controllers (Phison, Silicon Motion) answer it too, in part,
    // and may answer the translation as well.
    Bridge(0x0411, 0x039d, kAsmediaNvme),            // drivedb.h: Buffalo SSD-PSTA/N
    Bridge(0x04e8, 0x4001, kAsmediaNvme),            // drivedb.h: Samsung Portable SSD T7
    Bridge(0x04e8, 0x61fb, kAsmediaNvme),            // drivedb.h: Samsung Portable SSD T7 Shield
    Bridge(0x04e8, 0x61fd, kAsmediaNvme),            // drivedb.h: Samsung Portable SSD T9
    Bridge(0x0634, 0x5603, kAsmediaNvme, kAlsoSata), // drivedb.h: Crucial X9 Pro (SM2320)
    Bridge(0x0634, 0x5607, kAsmediaNvme, kAlsoSata), // drivedb.h: Crucial X10 (SM2320)
    Bridge(0x0781, 0x55ae, kAsmediaNvme),            // drivedb.h: SanDisk Extreme
    Bridge(0x0781, 0x55af, kAsmediaNvme),            // drivedb.h: SanDisk Extreme Pro Portable SSD
    Bridge(0x0781, 0x55bb, kAsmediaNvme),            // drivedb.h: SanDisk Portable SSD
    Bridge(0x0b05, 0x1932, kAsmediaNvme),            // drivedb.h: Asus ROG Strix Arion
    Bridge(0x0bc2, 0xaa1a, kAsmediaNvme),            // drivedb.h: Seagate FireCuda Gaming SSD
    Bridge(0x1058, 0x266e, kAsmediaNvme),            // drivedb.h: WD Elements SE SSD
    Bridge(0x13fe, 0x6500, kAsmediaNvme, kAlsoSata), // drivedb.h: TeamGroup C212 (Phison)
    Bridge(0x14b0, 0x020b, kAsmediaNvme),            // drivedb.h: StarTech (ASM2464PD)
    Bridge(0x174c, 0x2362, kAsmediaNvme),            // drivedb.h: ASMedia ASM2362
    Bridge(0x174c, 0x2364, kAsmediaNvme),            // drivedb.h: ASMedia ASM2364
    Bridge(0x174c, 0x2463, kAsmediaNvme),            // drivedb.h: ASMedia ASM2464PD
    Bridge(0x1b1c, 0x1a20, kAsmediaNvme, kAlsoSata), // drivedb.h: Corsair EX400U (Phison)
    Bridge(0x1e91, 0xde79, kAsmediaNvme),            // drivedb.h: OWC Express 1M2
    Bridge(0x32ac, 0x0005, kAsmediaNvme, kAlsoSata), // drivedb.h: Framework expansion card (Phison)

    // Realtek NVMe (E4h). The RTL9220, and the RTL9210B that shares the RTL9210's id, also take
    // SATA drives; so may the rebranded chip and the enclosures the database names no chip for.
    // The RTL9211 is listed for NVMe and for SATA without the translation, and no revision tells
    // the two apart.
    Bridge(0x0bda, 0x9210, kRealtekNvme, kAlsoSata), // drivedb.h: Realtek RTL9210
    Bridge(0x0dd8, 0x9210, kRealtekNvme, kAlsoSata), // drivedb.h: Netac WH51 (RTL9210)
    Bridge(0x1de1, 0xe101, kRealtekNvme, kAlsoSata), // drivedb.h: Actions AM8180 (RTL9210)
    Bridge(0x0bda, 0x9220, kRealtekNvme, kAlsoSata), // drivedb.h: Realtek RTL9220
    Bridge(0x2174, 0x7010, kRealtekNvme, kAlsoSata), // drivedb.h: Transcend TS-CM10G
    Bridge(0x21c4, 0xb083, kRealtekNvme, kAlsoSata), // drivedb.h: Lexar E300 (Realtek)
    Bridge(0x0bda, 0x9211, kNone),                   // drivedb.h: Realtek RTL9211 with SATA
    Bridge(0x0bda, 0x9211, kRealtekNvme, kAlsoSata), // drivedb.h: Realtek RTL9211 with NVMe
    Bridge(0x2eb9, 0x9211, kNone),                   // drivedb.h: Sabrent EC-WPTF (RTL9211), SATA
    Bridge(0x2eb9, 0x9211, kRealtekNvme, kAlsoSata), // drivedb.h: Sabrent EC-WPTF (RTL9211), NVMe
};

bool RevisionMatches(const KnownBridge& bridge, int revision)
{
    if (bridge.revisionLow == kAnyRevision)
        return true;
    return revision >= bridge.revisionLow && revision <= bridge.revisionHigh;
}

bool RowHolds(const KnownBridge& bridge, const UsbId& id)
{
    return bridge.vendor == id.vendor && bridge.product == id.product &&
           RevisionMatches(bridge, id.revision);
}

// Moves `at` past `word` when the text continues with it, in any case.
bool SkipWord(const std::string& text, std::size_t& at, const char* word)
{
    std::size_t next = at;
    for (; *word != '\0'; ++word, ++next) {
        if (next >= text.size() || std::toupper(static_cast<unsigned char>(text[next])) !=
                                       std::toupper(static_cast<unsigned char>(*word)))
            return false;
    }
    at = next;
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const int upper = std::toupper(static_cast<unsigned char>(c));
    if (upper >= 'A' && upper <= 'F')
        return upper - 'A' + 10;
    return -1;
}

// Reads exactly `count` hex digits at `at`.
bool ReadHex(const std::string& text, std::size_t& at, std::size_t count, unsigned& value)
{
    if (text.size() - at < count)
        return false;
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = HexValue(text[at + i]);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    at += count;
    return true;
}

} // namespace

bool ParseUsbHardwareId(const std::string& text, UsbId& id)
{
    std::size_t at = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    if (!SkipWord(text, at, "USB\\VID_") || !ReadHex(text, at, 4, vendor) ||
        !SkipWord(text, at, "&PID_") || !ReadHex(text, at, 4, product))
        return false;
    int revision = -1;
    unsigned value = 0;
    if (SkipWord(text, at, "&REV_")) {
        if (!ReadHex(text, at, 4, value))
            return false;
        revision = static_cast<int>(value);
    }
    if (SkipWord(text, at, "&MI_") && !ReadHex(text, at, 2, value))
        return false;
    if (at != text.size())
        return false;
    id.vendor = static_cast<std::uint16_t>(vendor);
    id.product = static_cast<std::uint16_t>(product);
    id.revision = revision;
    return true;
}

BridgeProtocol BridgeProtocolFor(const UsbId& id)
{
    bool named = false;
    BridgeProtocol protocol = BridgeProtocol::None;
    for (const KnownBridge& bridge : kKnownBridges) {
        if (!RowHolds(bridge, id))
            continue;
        if (named && bridge.protocol != protocol)
            return BridgeProtocol::None;
        named = true;
        protocol = bridge.protocol;
    }
    return protocol;
}

bool IsNvmeBridge(BridgeProtocol protocol)
{
    return protocol == BridgeProtocol::JMicronNvme || protocol == BridgeProtocol::AsmediaNvme ||
           protocol == BridgeProtocol::RealtekNvme;
}

bool HoldsOnlyNvmeDrives(const UsbId& id)
{
    if (!IsNvmeBridge(BridgeProtocolFor(id)))
        return false;
    for (const KnownBridge& bridge : kKnownBridges) {
        if (RowHolds(bridge, id) && bridge.alsoSata)
            return false;
    }
    return true;
}
