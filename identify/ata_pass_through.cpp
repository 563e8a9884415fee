#include "identify/ata_pass_through.h"

#include <cstring>

namespace {

constexpr unsigned char kSat16Opcode = 0x85;
// A1h is BLANK on optical drives, but only block devices are physical
// drives, and to them it means nothing but ATA PASS-THROUGH (12).
constexpr unsigned char kSat12Opcode = 0xA1;
constexpr unsigned char kIdentifyDevice = 0xEC;

// Byte 1: protocol 4 (PIO data-in) in bits 4-1, not extended.
constexpr unsigned char kPioDataIn = 4 << 1;
// Byte 2: T_DIR (from the device), BYTE_BLOCK (count in blocks), T_LENGTH 2
// (the length is in the count field). CK_COND stays clear, as every public
// tool sends IDENTIFY: a command that ended well then comes back GOOD, where
// with the bit set each success is a CHECK CONDITION that some bridges
// mishandle; an ATA error still comes back as sense data.
constexpr unsigned char kFromDevice = 0x08;
constexpr unsigned char kInBlocks = 0x04;
constexpr unsigned char kLengthInCount = 0x02;
constexpr unsigned char kTransfer = kFromDevice | kInBlocks | kLengthInCount;

constexpr unsigned char kSenseNoSense = 0x0;
constexpr unsigned char kSenseRecoveredError = 0x1;
constexpr unsigned char kAtaInformationAvailable = 0x1D; // additional sense 00h/1Dh
constexpr unsigned char kAtaStatusReturnDescriptor = 0x09;
constexpr unsigned char kAtaStatusReturnLength = 0x0C;

constexpr unsigned char kStatusBusy = 0x80;
constexpr unsigned char kStatusDeviceFault = 0x20;
constexpr unsigned char kStatusError = 0x01;

// The ATA status and sense key that sense data carries.
struct AtaSense {
    bool hasStatus = false;
    unsigned char status = 0;
    unsigned char senseKey = 0;
};

// Descriptor format (response codes 72h, 73h): the descriptors follow the
// 8-byte header, as many as the additional length and the data hold.
AtaSense ReadDescriptorSense(const unsigned char* sense, std::size_t size)
{
    AtaSense result;
    if (size < 8)
        return result;
    result.senseKey = sense[1] & 0x0F;
    std::size_t end = 8 + static_cast<std::size_t>(sense[7]);
    if (end > size)
        end = size;
    std::size_t at = 8;
    while (at + 2 <= end) {
        const std::size_t length = 2 + static_cast<std::size_t>(sense[at + 1]);
        if (at + length > end)
            break;
        if (sense[at] == kAtaStatusReturnDescriptor && sense[at + 1] >= kAtaStatusReturnLength) {
            result.hasStatus = true;
            result.status = sense[at + 13];
            return result;
        }
        at += length;
    }
    return result;
}

// Fixed format (response codes 70h, 71h): with additional sense 00h/1Dh the
// information field holds the ATA error, status, device and count registers.
AtaSense ReadFixedSense(const unsigned char* sense, std::size_t size)
{
    AtaSense result;
    if (size < 14)
        return result;
    result.senseKey = sense[2] & 0x0F;
    if (sense[12] == 0x00 && sense[13] == kAtaInformationAvailable) {
        result.hasStatus = true;
        result.status = sense[4];
    }
    return result;
}

AtaSense ReadAtaSense(const unsigned char* sense, std::size_t size)
{
    if (size == 0)
        return {};
    switch (sense[0] & 0x7F) {
    case 0x70:
    case 0x71:
        return ReadFixedSense(sense, size);
    case 0x72:
    case 0x73:
        return ReadDescriptorSense(sense, size);
    default:
        return {};
    }
}

bool StatusShowsNoError(const AtaSense& ata)
{
    return (ata.senseKey == kSenseNoSense || ata.senseKey == kSenseRecoveredError) &&
           (ata.status & (kStatusBusy | kStatusDeviceFault | kStatusError)) == 0;
}

} // namespace

std::size_t MakeSatIdentifyCdb(bool sixteen, unsigned char (&cdb)[16])
{
    std::memset(cdb, 0, sizeof cdb);
    if (sixteen) {
        cdb[0] = kSat16Opcode;
        cdb[1] = kPioDataIn;
        cdb[2] = kTransfer;
        cdb[6] = 1; // count: one sector
        cdb[14] = kIdentifyDevice;
        return kSat16CdbSize;
    }
    cdb[0] = kSat12Opcode;
    cdb[1] = kPioDataIn;
    cdb[2] = kTransfer;
    cdb[4] = 1; // count: one sector
    cdb[9] = kIdentifyDevice;
    return kSat12CdbSize;
}

bool SatReplyShowsNoError(unsigned char scsiStatus, const unsigned char* sense,
                          std::size_t senseSize)
{
    if (scsiStatus != kScsiStatusGood && scsiStatus != kScsiStatusCheckCondition)
        return false;
    const AtaSense ata = ReadAtaSense(sense, sense ? senseSize : 0);
    if (scsiStatus == kScsiStatusGood && !ata.hasStatus)
        return true;
    return ata.hasStatus && StatusShowsNoError(ata);
}
