#include "identify/bridge_commands.h"

#include "platform/little_endian.h"

#include <cstdint>

namespace {

constexpr unsigned char kIdentifyDevice = 0xEC;
constexpr unsigned char kDeviceRegister = 0xA0; // the bridge's first (master) device
constexpr unsigned char kSecondDevice = 0xB0;   // a JMicron bridge's second port
constexpr unsigned char kNvmeIdentify = 0x06;   // admin opcode
constexpr unsigned char kIdentifyController = 0x01;

constexpr unsigned char kStatusGood = 0x00;
constexpr unsigned char kStatusCheckCondition = 0x02;

BridgeCommand DataInCommand(std::size_t cdbLength, std::size_t dataInLength)
{
    BridgeCommand command;
    command.cdbLength = cdbLength;
    command.dataInLength = dataInLength;
    return command;
}

void PutBigEndian24(unsigned char* at, std::size_t value)
{
    at[0] = static_cast<unsigned char>(value >> 16);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value);
}

// JMicron's DFh: byte 1 bit 4 reads from the drive, bytes 3-4 the transfer
// length (big-endian), then features, count, LBA low/mid/high, device and
// command. The device register picks the bridge's port: A0h its first, B0h
// its second.
BridgeCommand JMicronAtaIdentify(int port)
{
    BridgeCommand command = DataInCommand(12, kBridgeAtaIdentifySize);
    unsigned char* cdb = command.cdb;
    cdb[0] = 0xDF;
    cdb[1] = 0x10;
    cdb[3] = static_cast<unsigned char>(kBridgeAtaIdentifySize >> 8);
    cdb[4] = static_cast<unsigned char>(kBridgeAtaIdentifySize);
    cdb[6] = 1; // count: one sector
    cdb[10] = port == 1 ? kSecondDevice : kDeviceRegister;
    cdb[11] = kIdentifyDevice;
    command.holdsIdentity = true;
    return command;
}

// Cypress ATACB: the command block's signature (24h, the bridge's default)
// and subcommand 24h; the action byte's IdentifyPacketDevice bit (80h) says
// the data phase carries identify data; the register select byte names the
// task file registers written (features, count, LBA low/mid/high, command:
// BEh, the device register is left as the bridge keeps it); then the
// transfer block count and the task file, bytes 5-12.
BridgeCommand CypressAtaIdentify()
{
    BridgeCommand command = DataInCommand(16, kBridgeAtaIdentifySize);
    unsigned char* cdb = command.cdb;
    cdb[0] = 0x24;
    cdb[1] = 0x24;
    cdb[2] = 0x80;
    cdb[3] = 0xBE;
    cdb[4] = 1; // one 512-byte block
    cdb[7] = 1; // count: one sector
    cdb[12] = kIdentifyDevice;
    command.holdsIdentity = true;
    return command;
}

// Sunplus F8h, subcommand 22h (pass-through): byte 3 10h is a PIO read,
// byte 4 the transfer length in sectors, then the task file as JMicron's.
BridgeCommand SunplusAtaIdentify()
{
    BridgeCommand command = DataInCommand(12, kBridgeAtaIdentifySize);
    unsigned char* cdb = command.cdb;
    cdb[0] = 0xF8;
    cdb[2] = 0x22;
    cdb[3] = 0x10;
    cdb[4] = 1; // one sector
    cdb[6] = 1; // count: one sector
    cdb[10] = kDeviceRegister;
    cdb[11] = kIdentifyDevice;
    command.holdsIdentity = true;
    return command;
}

// Prolific D8h: byte 1 15h is a read in the normal mode, bytes 4-5 the
// check word (Prolific's vendor id, 067Bh), bytes 6-9 the transfer length
// (big-endian), then count, LBA low/mid/high, device and command.
BridgeCommand ProlificAtaIdentify()
{
    BridgeCommand command = DataInCommand(16, kBridgeAtaIdentifySize);
    unsigned char* cdb = command.cdb;
    cdb[0] = 0xD8;
    cdb[1] = 0x15;
    cdb[4] = 0x06;
    cdb[5] = 0x7B;
    cdb[8] = static_cast<unsigned char>(kBridgeAtaIdentifySize >> 8);
    cdb[9] = static_cast<unsigned char>(kBridgeAtaIdentifySize);
    cdb[10] = 1; // count: one sector
    cdb[14] = kDeviceRegister;
    cdb[15] = kIdentifyDevice;
    command.holdsIdentity = true;
    return command;
}

// ASMedia E6h: the admin opcode, then CDW10 bits 7-0 in byte 3 (its upper
// half, bytes 6-7, is zero for Identify).
BridgeCommand AsmediaNvmeIdentify()
{
    BridgeCommand command = DataInCommand(16, kBridgeNvmeIdentifySize);
    command.cdb[0] = 0xE6;
    command.cdb[1] = kNvmeIdentify;
    command.cdb[3] = kIdentifyController;
    command.holdsIdentity = true;
    return command;
}

// Realtek E4h: the transfer length (little-endian) in bytes 1-2, the admin
// opcode, then CDW10 bits 7-0.
BridgeCommand RealtekNvmeIdentify()
{
    BridgeCommand command = DataInCommand(16, kBridgeNvmeIdentifySize);
    command.cdb[0] = 0xE4;
    command.cdb[1] = static_cast<unsigned char>(kBridgeNvmeIdentifySize);
    command.cdb[2] = static_cast<unsigned char>(kBridgeNvmeIdentifySize >> 8);
    command.cdb[3] = kNvmeIdentify;
    command.cdb[4] = kIdentifyController;
    command.holdsIdentity = true;
    return command;
}

// JMicron's NVMe bridges take ATA PASS-THROUGH (12)'s opcode with their own
// meaning: byte 1 is 80h (an admin command) plus the step, bytes 3-5 the
// length of the step's data (big-endian). Step 0 sends the command block,
// step 2 reads the command's data, step Fh reads the completion.
constexpr unsigned char kJMicronNvmeOpcode = 0xA1;
constexpr unsigned char kJMicronAdmin = 0x80;
constexpr unsigned char kJMicronSendCommand = 0x0;
constexpr unsigned char kJMicronReadData = 0x2;
constexpr unsigned char kJMicronReadCompletion = 0xF;
constexpr std::size_t kJMicronBlockSize = 512;
// "NVME" as its bytes: the block and the completion both start with it.
constexpr std::uint32_t kJMicronSignature = 0x454D564E;

BridgeCommand JMicronNvmeStep(unsigned char step, std::size_t length)
{
    BridgeCommand command = DataInCommand(12, length);
    command.cdb[0] = kJMicronNvmeOpcode;
    command.cdb[1] = kJMicronAdmin | step;
    PutBigEndian24(command.cdb + 3, length);
    return command;
}

// The command block, in little-endian 32-bit words: the signature, a
// reserved word, the opcode, the namespace (none for the controller), and
// CDW10 to CDW15 from word 12 on. The data pointers, words 6 to 11, are the
// bridge's to fill.
std::vector<unsigned char> JMicronNvmeBlock()
{
    std::vector<unsigned char> block(kJMicronBlockSize, 0);
    WriteLittleEndian32(&block[0], kJMicronSignature);
    WriteLittleEndian32(&block[2 * 4], kNvmeIdentify);
    WriteLittleEndian32(&block[3 * 4], 0);
    WriteLittleEndian32(&block[12 * 4], kIdentifyController);
    return block;
}

std::vector<BridgeCommand> JMicronNvmeIdentify()
{
    BridgeCommand send = JMicronNvmeStep(kJMicronSendCommand, kJMicronBlockSize);
    send.dataIn = false;
    send.dataInLength = 0;
    send.dataOut = JMicronNvmeBlock();
    BridgeCommand read = JMicronNvmeStep(kJMicronReadData, kBridgeNvmeIdentifySize);
    read.holdsIdentity = true;
    BridgeCommand complete = JMicronNvmeStep(kJMicronReadCompletion, kJMicronBlockSize);
    complete.holdsCompletion = true;
    return {send, read, complete};
}

// The sense key, or -1 when the sense data carries none.
int SenseKey(const unsigned char* sense, std::size_t size)
{
    if (sense == nullptr || size == 0)
        return -1;
    switch (sense[0] & 0x7F) {
    case 0x70:
    case 0x71:
        return size > 2 ? sense[2] & 0x0F : -1;
    case 0x72:
    case 0x73:
        return size > 1 ? sense[1] & 0x0F : -1;
    default:
        return -1;
    }
}

bool KeyShowsNoError(int key)
{
    return key == 0x0 || key == 0x1 || key == 0xF; // no sense, recovered error, completed
}

} // namespace

BridgeCommand JMicronPortRegisterRead()
{
    // DFh with command FDh reads the bridge's own registers: bytes 3-4 the
    // length, bytes 6-7 the address (big-endian).
    BridgeCommand command = DataInCommand(12, 1);
    unsigned char* cdb = command.cdb;
    cdb[0] = 0xDF;
    cdb[1] = 0x10;
    cdb[4] = 1;
    cdb[6] = static_cast<unsigned char>(kJMicronPortRegister >> 8);
    cdb[7] = static_cast<unsigned char>(kJMicronPortRegister);
    cdb[11] = 0xFD;
    return command;
}

int JMicronDrivePort(unsigned char portRegister)
{
    switch (portRegister & (kJMicronPort0Drive | kJMicronPort1Drive)) {
    case kJMicronPort0Drive:
        return 0;
    case kJMicronPort1Drive:
        return 1;
    default:
        return -1;
    }
}

std::vector<BridgeCommand> BridgeIdentifyCommands(BridgeProtocol protocol, int port)
{
    switch (protocol) {
    case BridgeProtocol::None:
        return {};
    case BridgeProtocol::JMicronAta:
        return {JMicronAtaIdentify(port)};
    case BridgeProtocol::CypressAta:
        return {CypressAtaIdentify()};
    case BridgeProtocol::SunplusAta:
        return {SunplusAtaIdentify()};
    case BridgeProtocol::ProlificAta:
        return {ProlificAtaIdentify()};
    case BridgeProtocol::JMicronNvme:
        return JMicronNvmeIdentify();
    case BridgeProtocol::AsmediaNvme:
        return {AsmediaNvmeIdentify()};
    case BridgeProtocol::RealtekNvme:
        return {RealtekNvmeIdentify()};
    }
    return {};
}

bool BridgeCommandSucceeded(BridgeProtocol protocol, unsigned char scsiStatus,
                            const unsigned char* sense, std::size_t senseSize)
{
    if (protocol == BridgeProtocol::None)
        return false;
    const int key = SenseKey(sense, senseSize);
    if (scsiStatus == kStatusGood)
        return key < 0 || KeyShowsNoError(key);
    if (scsiStatus != kStatusCheckCondition || protocol == BridgeProtocol::CypressAta)
        return false;
    return key >= 0 && KeyShowsNoError(key);
}

bool BridgeCompletionSucceeded(BridgeProtocol protocol, const unsigned char* data, std::size_t size)
{
    if (protocol != BridgeProtocol::JMicronNvme || data == nullptr || size < 6 * 4)
        return false;
    // Word 5 is the completion's fourth word: the phase tag in bit 16, the
    // status (type and code) above it.
    const std::uint32_t status = ReadLittleEndian32(data + 5 * 4) >> 17;
    return ReadLittleEndian32(data) == kJMicronSignature && status == 0;
}
