#include "tests/win32/support/replay_devices.h"

#include <winioctl.h>

#include <ntddscsi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

constexpr char kDrivePrefix[] = "\\\\.\\PhysicalDrive";
constexpr char kPortPrefix[] = "\\\\.\\Scsi";
constexpr INT_PTR kDriveHandles = 0x1000;
constexpr INT_PTR kPortHandles = 0x2000;
constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kNvmePageSize = 4096;

// ATA PASS-THROUGH (16) and (12) with IDENTIFY DEVICE, byte for byte as the
// public tools send it: PIO data-in, CK_COND clear, one sector.
const unsigned char kSat16Identify[] = {0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xEC, 0};
const unsigned char kSat12Identify[] = {0xA1, 0x08, 0x0E, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0};

// What a bridge answers a command it does not know: ILLEGAL REQUEST,
// INVALID COMMAND OPERATION CODE, in fixed format.
const unsigned char kInvalidOpcodeSense[] = {0x70, 0, 0x05, 0,    0, 0, 0, 10, 0,
                                             0,    0, 0,    0x20, 0, 0, 0, 0,  0};

using Bytes = std::vector<unsigned char>;

// What a bridge's command does: reads the drive's identity (its data is
// the recording's KIND.bin), sends the bridge a command block, or reads the
// completion of the command sent.
enum class Role { Reads, Sends, Completes };

// One command a USB bridge takes, byte for byte as its maker's layout has
// it, and what it moves: `length` bytes in, or `dataOut` out.
struct BridgeCommandBytes {
    const char* name; // the recording's KIND
    Role role;
    Bytes cdb;
    std::size_t length;
    Bytes dataOut;
    int jmicronPort = -1; // a JMicron ATA bridge's port it addresses
};

// The bits of a JMicron ATA bridge's port register (72 0Fh) that say a
// drive sits on port 0 and on port 1.
const unsigned char kJMicronPortDrive[] = {0x04, 0x40};

// A 512-byte block of JMicron's NVMe bridges, which starts with the "NVME"
// signature: the completion of a command that ended well (a status of 0 in
// word 5) is no more than that.
Bytes JMicronNvmeCompletion()
{
    Bytes block(512, 0);
    block[0] = 'N';
    block[1] = 'V';
    block[2] = 'M';
    block[3] = 'E';
    return block;
}

// The NVMe command block those bridges take before reading: Identify (06h)
// and CDW10 1 (Identify Controller).
Bytes JMicronNvmeBlock()
{
    Bytes block = JMicronNvmeCompletion();
    block[8] = 0x06;
    block[0x30] = 0x01;
    return block;
}

// The identify commands of every bridge the program may ask. A command that
// does not match one of these byte for byte is one a bridge would refuse.
const std::vector<BridgeCommandBytes>& KnownBridgeCommands()
{
    static const std::vector<BridgeCommandBytes> commands = {
        // JMicron DFh: read, 0200h bytes, count 1, device A0h (port 0) or B0h
        // (port 1), IDENTIFY DEVICE; and FDh, which reads one byte of the
        // bridge's registers at 72 0Fh: which ports hold a drive.
        {"jmicron-ata",
         Role::Reads,
         {0xDF, 0x10, 0, 0x02, 0, 0, 1, 0, 0, 0, 0xA0, 0xEC},
         512,
         {},
         0},
        {"jmicron-ata",
         Role::Reads,
         {0xDF, 0x10, 0, 0x02, 0, 0, 1, 0, 0, 0, 0xB0, 0xEC},
         512,
         {},
         1},
        {"jmicron-port",
         Role::Reads,
         {0xDF, 0x10, 0, 0, 0x01, 0, 0x72, 0x0F, 0, 0, 0, 0xFD},
         1,
         {}},
        // Cypress ATACB: signature 24h, subcommand 24h, identify data, the
        // registers written, one block, count 1, IDENTIFY DEVICE.
        {"cypress-ata",
         Role::Reads,
         {0x24, 0x24, 0x80, 0xBE, 1, 0, 0, 1, 0, 0, 0, 0, 0xEC, 0, 0, 0},
         512,
         {}},
        // Sunplus F8h, subcommand 22h, data in, one sector, device A0h.
        {"sunplus-ata", Role::Reads, {0xF8, 0, 0x22, 0x10, 1, 0, 1, 0, 0, 0, 0xA0, 0xEC}, 512, {}},
        // Prolific D8h: read, check word 067Bh, 200h bytes, count 1, device A0h.
        {"prolific-ata",
         Role::Reads,
         {0xD8, 0x15, 0, 0, 0x06, 0x7B, 0, 0, 0x02, 0, 1, 0, 0, 0, 0xA0, 0xEC},
         512,
         {}},
        // ASMedia E6h: admin opcode 06h, CNS 01h.
        {"asmedia-nvme",
         Role::Reads,
         {0xE6, 0x06, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         4096,
         {}},
        // Realtek E4h: 1000h bytes (little-endian), admin opcode 06h, CNS 01h.
        {"realtek-nvme",
         Role::Reads,
         {0xE4, 0, 0x10, 0x06, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         4096,
         {}},
        // JMicron NVMe: the command block out, then the data in, then the completion.
        {"jmicron-nvme",
         Role::Sends,
         {0xA1, 0x80, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0},
         0,
         JMicronNvmeBlock()},
        {"jmicron-nvme", Role::Reads, {0xA1, 0x82, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0}, 4096, {}},
        {"jmicron-nvme", Role::Completes, {0xA1, 0x8F, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}, 512, {}},
    };
    return commands;
}

// Whether a miniport request's SRB_IO_CONTROL signature is that of Intel
// RST's NVMe pass-through.
bool SaysIntelNvm(const void* in, DWORD inSize)
{
    return in != nullptr && inSize >= 12 &&
           std::memcmp(static_cast<const unsigned char*>(in) + 4, "IntelNvm", 8) == 0;
}

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// A device's number and kind from its handle: drives and ports have ranges
// of their own.
bool IsPortHandle(HANDLE device)
{
    return reinterpret_cast<INT_PTR>(device) >= kPortHandles;
}

int NumberOf(HANDLE device)
{
    const INT_PTR value = reinterpret_cast<INT_PTR>(device);
    return static_cast<int>(value - (value >= kPortHandles ? kPortHandles : kDriveHandles));
}

std::string TargetOf(HANDLE device)
{
    const std::string number = std::to_string(NumberOf(device));
    return IsPortHandle(device) ? "Scsi" + number + ":" : "PhysicalDrive" + number;
}

// Where a target comes in the scan: drives by index, then ports.
int ScanOrder(const std::string& target)
{
    if (StartsWith(target.c_str(), "PhysicalDrive"))
        return std::atoi(target.c_str() + 13);
    return 1000 + std::atoi(target.c_str() + 4);
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The topology a recording holds: usb-id.txt in a drive's folder, driver.txt
// in a port's.
class ReplayTopology final : public StorageTopology {
public:
    explicit ReplayTopology(std::string folder) : folder(std::move(folder)) {}
    std::string UsbHardwareId(int driveIndex) override
    {
        return FileText(folder + "/" + std::to_string(driveIndex) + "/usb-id.txt");
    }
    std::string ScsiPortDriver(int port) override
    {
        return FileText(folder + "/scsi" + std::to_string(port) + "/driver.txt");
    }

private:
    std::string folder;
};

} // namespace

ReplayDevices::ReplayDevices(std::string folder) : folder(std::move(folder))
{
    InitializeCriticalSection(&lock);
}

ReplayDevices::~ReplayDevices()
{
    DeleteCriticalSection(&lock);
}

std::string ReplayDevices::FolderOf(const char* path) const
{
    if (StartsWith(path, kDrivePrefix))
        return folder + "/" + std::to_string(std::atoi(path + std::strlen(kDrivePrefix)));
    if (StartsWith(path, kPortPrefix))
        return folder + "/scsi" + std::to_string(std::atoi(path + std::strlen(kPortPrefix)));
    return std::string();
}

std::string ReplayDevices::FolderOf(HANDLE device) const
{
    return folder + (IsPortHandle(device) ? "/scsi" : "/") + std::to_string(NumberOf(device));
}

std::vector<std::string> ReplayDevices::DeviceNames()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "/*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name.empty())
            continue;
        if (std::isdigit(static_cast<unsigned char>(name[0])))
            names.push_back("PhysicalDrive" + name);
        else if (StartsWith(name.c_str(), "scsi"))
            names.push_back("Scsi" + name.substr(4) + ":");
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool ReplayDevices::Exists(const char* path)
{
    const std::string device = FolderOf(path);
    return !device.empty() && IsFolder(device);
}

HANDLE ReplayDevices::Open(const char* path, DWORD, DWORD)
{
    const std::string device = FolderOf(path);
    if (device.empty() || !IsFolder(device)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // open.error: the open failed with the Windows error it holds.
    const std::string error = FileText(device + "/open.error");
    if (!error.empty()) {
        SetLastError(static_cast<DWORD>(std::strtoul(error.c_str(), nullptr, 10)));
        return INVALID_HANDLE_VALUE;
    }
    HangIfSilent(device, "open.hang");
    const bool port = StartsWith(path, kPortPrefix);
    const int number = std::atoi(path + std::strlen(port ? kPortPrefix : kDrivePrefix));
    return reinterpret_cast<HANDLE>((port ? kPortHandles : kDriveHandles) + number);
}

std::unique_ptr<StorageTopology> ReplayDevices::ReadTopology(DeviceIo&)
{
    return std::make_unique<ReplayTopology>(folder);
}

long ReplayDevices::Recorded(const std::string& device, const char* name, unsigned char* out,
                             std::size_t capacity) const
{
    std::ifstream file(device + "/" + name, std::ios::binary);
    if (!file)
        return -1;
    if (capacity == 0)
        return 0;
    file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(capacity));
    return static_cast<long>(file.gcount());
}

void ReplayDevices::HangIfSilent(const std::string& device, const char* name) const
{
    if (Recorded(device, name, nullptr, 0) >= 0)
        Sleep(INFINITE);
}

void ReplayDevices::Log(HANDLE device, DWORD code, const void* in, DWORD inSize)
{
    ReplayRequest request{TargetOf(device), code, {}, {}};
    if (in) {
        const auto* bytes = static_cast<const unsigned char*>(in);
        request.in.assign(bytes, bytes + inSize);
    }
    if (code == IOCTL_SCSI_PASS_THROUGH && inSize >= sizeof(SCSI_PASS_THROUGH)) {
        SCSI_PASS_THROUGH header;
        std::memcpy(&header, in, sizeof header);
        const std::size_t length = std::min<std::size_t>(header.CdbLength, sizeof header.Cdb);
        request.cdb.assign(header.Cdb, header.Cdb + length);
    }
    EnterCriticalSection(&lock);
    requests.push_back(request);
    LeaveCriticalSection(&lock);
}

std::vector<ReplayRequest> ReplayDevices::Requests() const
{
    EnterCriticalSection(&lock);
    std::vector<ReplayRequest> sent = requests;
    LeaveCriticalSection(&lock);
    std::stable_sort(sent.begin(), sent.end(), [](const ReplayRequest& a, const ReplayRequest& b) {
        return ScanOrder(a.target) < ScanOrder(b.target);
    });
    return sent;
}

bool ReplayDevices::Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                            DWORD outSize, DWORD* returned)
{
    Log(device, code, in, inSize);
    const std::string drive = FolderOf(device);
    *returned = 0;
    if (IsPortHandle(device)) {
        if (code != IOCTL_SCSI_MINIPORT)
            return false;
        if (SaysIntelNvm(in, inSize))
            return AnswerRstNvme(NumberOf(device), in, inSize, out, outSize, returned);
        return AnswerCsmi(drive, in, inSize, out, outSize, returned);
    }
    switch (code) {
    case SMART_GET_VERSION:
        HangIfSilent(drive, "smart.hang");
        // A drive recorded with a SMART reply takes SMART requests.
        if (Recorded(drive, "smart.bin", nullptr, 0) < 0 || outSize < sizeof(GETVERSIONINPARAMS))
            return false;
        *returned = sizeof(GETVERSIONINPARAMS);
        return true;
    case SMART_RCV_DRIVE_DATA:
        HangIfSilent(drive, "smart.hang");
        return AnswerSmartIdentify(drive, out, outSize, returned);
    case IOCTL_SCSI_PASS_THROUGH:
        return AnswerPassThrough(drive, in, inSize, out, outSize, returned);
    case IOCTL_STORAGE_QUERY_PROPERTY:
        return AnswerPropertyQuery(drive, in, inSize, out, outSize, returned);
    case IOCTL_SCSI_GET_ADDRESS:
        HangIfSilent(drive, "scsi-address.hang");
        return AnswerRecorded(drive, "scsi-address.bin", out, outSize, returned);
    default:
        return false;
    }
}

bool ReplayDevices::AnswerRecorded(const std::string& device, const char* name, void* out,
                                   DWORD outSize, DWORD* returned) const
{
    const long size = Recorded(device, name, static_cast<unsigned char*>(out), outSize);
    if (size < 0)
        return false;
    *returned = static_cast<DWORD>(size);
    return true;
}

bool ReplayDevices::AnswerSmartIdentify(const std::string& device, void* out, DWORD outSize,
                                        DWORD* returned) const
{
    const std::size_t header = offsetof(SENDCMDOUTPARAMS, bBuffer);
    if (outSize < header + kSectorSize)
        return false;
    auto* reply = static_cast<unsigned char*>(out);
    const long size = Recorded(device, "smart.bin", reply + header, kSectorSize);
    if (size < 0)
        return false;
    reply[offsetof(SENDCMDOUTPARAMS, DriverStatus) + offsetof(DRIVERSTATUS, bDriverError)] = 0;
    *returned = static_cast<DWORD>(header + size);
    return true;
}

// Answers an IDENTIFY DEVICE pass-through that reads one sector, within the
// buffers the request gives, as a bridge answers a command that ended well:
// GOOD, no sense data; and a bridge's own identify command.
bool ReplayDevices::AnswerPassThrough(const std::string& device, const void* in, DWORD inSize,
                                      void* out, DWORD outSize, DWORD* returned) const
{
    if (in != out || inSize < sizeof(SCSI_PASS_THROUGH))
        return false;
    auto* request = static_cast<SCSI_PASS_THROUGH*>(out);
    const auto is = [&](const unsigned char* cdb, std::size_t size) {
        return request->CdbLength == size && std::equal(cdb, cdb + size, request->Cdb);
    };
    const bool sixteen = is(kSat16Identify, sizeof kSat16Identify);
    const bool twelve = is(kSat12Identify, sizeof kSat12Identify);
    if (!sixteen && !twelve)
        return AnswerBridgeCommand(device, inSize, out, outSize, returned);
    if (request->DataIn != SCSI_IOCTL_DATA_IN || request->DataTransferLength != kSectorSize ||
        request->TimeOutValue == 0 || request->TimeOutValue > 5 ||
        request->DataBufferOffset + kSectorSize > outSize)
        return false;
    HangIfSilent(device, sixteen ? "sat16.hang" : "sat12.hang");
    auto* bytes = static_cast<unsigned char*>(out);
    const long size = Recorded(device, sixteen ? "sat16.bin" : "sat12.bin",
                               bytes + request->DataBufferOffset, kSectorSize);
    if (size < 0)
        return false;
    request->ScsiStatus = 0x00; // GOOD
    request->SenseInfoLength = 0;
    request->DataTransferLength = static_cast<ULONG>(size);
    *returned = static_cast<DWORD>(request->DataBufferOffset + size);
    return true;
}

// A bridge takes its own command only when every byte of it is what its
// layout says, and only when the drive was recorded behind such a bridge
// (KIND.bin); to anything else it answers as bridges do: CHECK CONDITION,
// ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
bool ReplayDevices::AnswerBridgeCommand(const std::string& device, DWORD inSize, void* out,
                                        DWORD outSize, DWORD* returned) const
{
    auto* request = static_cast<SCSI_PASS_THROUGH*>(out);
    auto* bytes = static_cast<unsigned char*>(out);
    const std::size_t cdbLength = std::min<std::size_t>(request->CdbLength, sizeof request->Cdb);
    const Bytes cdb(request->Cdb, request->Cdb + cdbLength);
    if (request->DataBufferOffset > outSize || request->SenseInfoOffset > outSize ||
        request->TimeOutValue == 0 || request->TimeOutValue > 5)
        return false;
    for (const BridgeCommandBytes& known : KnownBridgeCommands()) {
        const bool dataOut = known.role == Role::Sends;
        const std::size_t length = dataOut ? known.dataOut.size() : known.length;
        if (cdb != known.cdb ||
            request->DataIn != (dataOut ? SCSI_IOCTL_DATA_OUT : SCSI_IOCTL_DATA_IN) ||
            request->DataTransferLength != length || request->DataBufferOffset + length > outSize ||
            (dataOut && (request->DataBufferOffset + length > inSize ||
                         !std::equal(known.dataOut.begin(), known.dataOut.end(),
                                     bytes + request->DataBufferOffset))))
            continue;
        const std::string file = std::string(known.name) + ".bin";
        HangIfSilent(device, (std::string(known.name) + ".hang").c_str());
        if (Recorded(device, file.c_str(), nullptr, 0) < 0)
            break;
        // A port without a drive answers as an unknown command does.
        unsigned char ports = 0;
        if (known.jmicronPort >= 0 && (Recorded(device, "jmicron-port.bin", &ports, 1) != 1 ||
                                       !(ports & kJMicronPortDrive[known.jmicronPort])))
            break;
        long size = 0;
        if (known.role == Role::Completes) {
            const Bytes completion = JMicronNvmeCompletion();
            std::memcpy(bytes + request->DataBufferOffset, completion.data(), completion.size());
            size = static_cast<long>(completion.size());
        } else if (known.role == Role::Reads) {
            size = Recorded(device, file.c_str(), bytes + request->DataBufferOffset, length);
        }
        request->ScsiStatus = 0x00; // GOOD
        request->SenseInfoLength = 0;
        request->DataTransferLength = static_cast<ULONG>(size);
        *returned = static_cast<DWORD>(request->DataBufferOffset + size);
        return true;
    }
    // Refused: the sense data, as much of it as the request has room for.
    const std::size_t room =
        request->SenseInfoOffset + sizeof kInvalidOpcodeSense <= outSize
            ? std::min<std::size_t>(request->SenseInfoLength, sizeof kInvalidOpcodeSense)
            : 0;
    std::memcpy(bytes + request->SenseInfoOffset, kInvalidOpcodeSense, room);
    request->ScsiStatus = 0x02; // CHECK CONDITION
    request->SenseInfoLength = static_cast<UCHAR>(room);
    request->DataTransferLength = 0;
    *returned = static_cast<DWORD>(request->SenseInfoOffset + room);
    return true;
}

// The storage device and adapter descriptors as recorded, and the NVMe query.
bool ReplayDevices::AnswerPropertyQuery(const std::string& device, const void* in, DWORD inSize,
                                        void* out, DWORD outSize, DWORD* returned) const
{
    if (inSize < sizeof(STORAGE_PROPERTY_QUERY) - 1)
        return false;
    STORAGE_PROPERTY_QUERY query;
    std::memcpy(&query, in, offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters));
    if (query.QueryType != PropertyStandardQuery)
        return false;
    switch (query.PropertyId) {
    case StorageDeviceProperty:
        HangIfSilent(device, "device-property.hang");
        return AnswerRecorded(device, "device-property.bin", out, outSize, returned);
    case StorageAdapterProperty:
        HangIfSilent(device, "adapter-property.hang");
        return AnswerRecorded(device, "adapter-property.bin", out, outSize, returned);
    case StorageAdapterProtocolSpecificProperty:
        return AnswerNvmeQuery(device, in, inSize, out, outSize, returned);
    default:
        return false;
    }
}

// Answers only the adapter's NVMe Identify Controller query.
bool ReplayDevices::AnswerNvmeQuery(const std::string& device, const void* in, DWORD inSize,
                                    void* out, DWORD outSize, DWORD* returned) const
{
    const std::size_t requestField = offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters);
    if (inSize < requestField + sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA))
        return false;
    STORAGE_PROTOCOL_SPECIFIC_DATA protocol;
    std::memcpy(&protocol, static_cast<const unsigned char*>(in) + requestField, sizeof protocol);
    if (protocol.ProtocolType != ProtocolTypeNvme || protocol.DataType != NVMeDataTypeIdentify ||
        protocol.ProtocolDataRequestValue != 1 || protocol.ProtocolDataOffset < sizeof protocol ||
        protocol.ProtocolDataLength < kNvmePageSize ||
        requestField + protocol.ProtocolDataOffset + kNvmePageSize > outSize)
        return false;
    HangIfSilent(device, "nvme.hang");
    std::vector<unsigned char> page(kNvmePageSize);
    const long size = Recorded(device, "nvme.bin", page.data(), page.size());
    if (size < 0)
        return false;
    STORAGE_PROTOCOL_DATA_DESCRIPTOR descriptor = {};
    descriptor.Version = sizeof descriptor;
    descriptor.Size = sizeof descriptor;
    descriptor.ProtocolSpecificData = protocol;
    descriptor.ProtocolSpecificData.ProtocolDataLength = static_cast<DWORD>(size);
    auto* bytes = static_cast<unsigned char*>(out);
    std::memcpy(bytes, &descriptor, sizeof descriptor);
    std::memcpy(bytes + requestField + protocol.ProtocolDataOffset, page.data(), size);
    *returned = static_cast<DWORD>(requestField + protocol.ProtocolDataOffset + size);
    return true;
}

namespace {

constexpr std::size_t kSrbSize = 28; // SRB_IO_CONTROL
constexpr std::size_t kStpParameters = kSrbSize;
constexpr std::size_t kStpStatus = kStpParameters + 44;
constexpr std::size_t kStpData = kStpStatus + 92;

std::uint32_t Get32(const unsigned char* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void Put32(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The CSMI requests a RAID driver takes: its control code, the signature
// that code needs and the least room its reply needs.
struct CsmiCode {
    std::uint32_t code;
    const char* signature;
    std::size_t size;
};
const CsmiCode kCsmiCodes[] = {
    {1, "CSMIALL", 28 + 174}, {20, "CSMISAS", 28 + 2052}, {25, "CSMISAS", kStpData + 512}};

// Identify Controller through Intel RST's NVMe pass-through, byte for byte
// up to the data: the header with `timeout`, version 1, the path `pathId`,
// target and LUN 0, opcode 06h, CNS 1 in dword 10, the data at 164 for 4,096
// bytes; every other byte zero (the completion and the queue select too).
constexpr std::size_t kRstNvmeData = 164;
Bytes RstNvmeIdentifyBytes(std::uint32_t timeout, unsigned char pathId)
{
    Bytes bytes(kRstNvmeData, 0);
    Put32(&bytes[0], kSrbSize);
    std::memcpy(&bytes[4], "IntelNvm", 8);
    Put32(&bytes[12], timeout);
    Put32(&bytes[16], 0xF0002808);
    Put32(&bytes[24], kRstNvmeData + kNvmePageSize - kSrbSize);
    bytes[28] = 1;
    bytes[29] = pathId;
    bytes[32] = 0x06;
    Put32(&bytes[32 + 40], 1);
    Put32(&bytes[116], kRstNvmeData);
    Put32(&bytes[120], kNvmePageSize);
    return bytes;
}

// The register FIS of IDENTIFY DEVICE from the host: type 27h, the command
// bit, ECh, a count of 1; every other byte zero.
bool IsIdentifyFis(const unsigned char* fis)
{
    Bytes expected(20, 0);
    expected[0] = 0x27;
    expected[1] = 0x80;
    expected[2] = 0xEC;
    expected[12] = 1;
    return std::equal(expected.begin(), expected.end(), fis);
}

} // namespace

// A CSMI request answers when its header is whole and right for its code:
// driver information from csmi-driver.bin, the phys from csmi-phys.bin, and
// IDENTIFY DEVICE to the drive on Phy[K] of those from phyK.bin.
bool ReplayDevices::AnswerCsmi(const std::string& device, const void* in, DWORD inSize, void* out,
                               DWORD outSize, DWORD* returned) const
{
    auto* bytes = static_cast<unsigned char*>(out);
    if (in != out || inSize != outSize || inSize < kSrbSize)
        return false;
    const std::uint32_t code = Get32(bytes + 16);
    const CsmiCode* known = nullptr;
    for (const CsmiCode& c : kCsmiCodes)
        if (c.code == code)
            known = &c;
    if (!known || Get32(bytes) != kSrbSize || std::memcmp(bytes + 4, known->signature, 8) != 0 ||
        Get32(bytes + 12) == 0 || Get32(bytes + 12) > 3 || Get32(bytes + 24) != inSize - kSrbSize ||
        inSize < known->size)
        return false;
    if (code == 1 || code == 20) {
        const char* name = code == 1 ? "csmi-driver" : "csmi-phys";
        HangIfSilent(device, (std::string(name) + ".hang").c_str());
        const long size = Recorded(device, (std::string(name) + ".bin").c_str(), bytes + kSrbSize,
                                   outSize - kSrbSize);
        if (size < 0)
            return false;
        Put32(bytes + 20, 0); // success
        *returned = static_cast<DWORD>(kSrbSize + size);
        return true;
    }
    return AnswerCsmiIdentify(device, bytes, outSize, returned);
}

// Finds the drive the STP request names among the recorded phys (by its
// identifiers and SAS address, as Intel's drivers find it) and answers with
// its sector.
bool ReplayDevices::AnswerCsmiIdentify(const std::string& device, unsigned char* bytes, DWORD size,
                                       DWORD* returned) const
{
    const unsigned char* parameters = bytes + kStpParameters;
    if (!IsIdentifyFis(parameters + 16) || Get32(parameters + 36) != 0x11 ||
        Get32(parameters + 40) != 512 || parameters[2] != 0)
        return false;
    Bytes phys(2052, 0);
    if (Recorded(device, "csmi-phys.bin", phys.data(), phys.size()) < 0)
        return false;
    for (int entry = 0; entry < 32; ++entry) {
        const unsigned char* phy = phys.data() + 4 + 64 * entry;
        if (phy[36] == 0 || phy[20] != parameters[0] || phy[28] != parameters[1] ||
            std::memcmp(phy + 36 + 12, parameters + 4, 8) != 0)
            continue;
        const std::string name = "phy" + std::to_string(entry);
        HangIfSilent(device, (name + ".hang").c_str());
        std::memset(bytes + kStpStatus, 0, kStpData - kStpStatus);
        const long read = Recorded(device, (name + ".bin").c_str(), bytes + kStpData, 512);
        if (read < 0)
            return false;
        bytes[kStpStatus + 4] = 0x34;     // a register FIS from the drive
        bytes[kStpStatus + 4 + 2] = 0x50; // DRDY, DSC: no error
        Put32(bytes + kStpStatus + 88, static_cast<std::uint32_t>(read));
        Put32(bytes + 20, 0);
        *returned = static_cast<DWORD>(std::min<std::size_t>(kStpData + read, size));
        return true;
    }
    return false;
}

// Intel RST's NVMe pass-through takes Identify Controller alone, exactly as
// its layout has it, and answers for the drive whose recorded SCSI address
// names this port and the path asked: its page from rst-nvme.bin, after a
// completion left zero.
bool ReplayDevices::AnswerRstNvme(int port, const void* in, DWORD inSize, void* out, DWORD outSize,
                                  DWORD* returned) const
{
    auto* bytes = static_cast<unsigned char*>(out);
    if (in != out || inSize != outSize || inSize != kRstNvmeData + kNvmePageSize)
        return false;
    const std::uint32_t timeout = Get32(bytes + 12);
    const Bytes expected = RstNvmeIdentifyBytes(timeout, bytes[29]);
    if (timeout == 0 || timeout > 3 || !std::equal(expected.begin(), expected.end(), bytes))
        return false;
    const std::string drive = DriveOnPath(port, bytes[29]);
    if (drive.empty())
        return false;
    HangIfSilent(drive, "rst-nvme.hang");
    const long size = Recorded(drive, "rst-nvme.bin", bytes + kRstNvmeData, kNvmePageSize);
    if (size < 0)
        return false;
    Put32(bytes + 20, 0);
    *returned = static_cast<DWORD>(kRstNvmeData + size);
    return true;
}

// The folder of the drive, among those the scan asks (0 to 31), whose
// scsi-address.bin names `port` and `pathId`; empty when none does.
std::string ReplayDevices::DriveOnPath(int port, unsigned char pathId) const
{
    for (int index = 0; index < 32; ++index) {
        const std::string drive = folder + "/" + std::to_string(index);
        SCSI_ADDRESS address = {};
        const long size = Recorded(drive, "scsi-address.bin",
                                   reinterpret_cast<unsigned char*>(&address), sizeof address);
        if (size == static_cast<long>(sizeof address) && address.PortNumber == port &&
            address.PathId == pathId)
            return drive;
    }
    return std::string();
}
