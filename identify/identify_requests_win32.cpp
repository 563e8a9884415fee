#include "identify/identify_requests.h"

#include "identify/ata_pass_through.h"
#include "identify/bridge_commands.h"
#include "identify/csmi.h"
#include "identify/drive_facts.h"
#include "platform/timed_device_io.h"

#include <winioctl.h>

#include <ntddscsi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

// The request and reply layouts the drivers expect; a header that differs
// must fail the build, not the user's machine.
static_assert(SMART_GET_VERSION == 0x74080, "SMART_GET_VERSION");
static_assert(SMART_RCV_DRIVE_DATA == 0x7C088, "SMART_RCV_DRIVE_DATA");
static_assert(sizeof(GETVERSIONINPARAMS) == 24, "GETVERSIONINPARAMS");
static_assert(sizeof(SENDCMDINPARAMS) == 33, "SENDCMDINPARAMS");
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bCommandReg) == 10,
              "command register");
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == 16, "identify data offset");

static_assert(IOCTL_SCSI_PASS_THROUGH == 0x4D004, "IOCTL_SCSI_PASS_THROUGH");
static_assert(sizeof(SCSI_PASS_THROUGH) == (sizeof(void*) == 8 ? 56 : 44), "SCSI_PASS_THROUGH");
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == (sizeof(void*) == 8 ? 36 : 28), "CDB");

static_assert(IOCTL_STORAGE_QUERY_PROPERTY == 0x2D1400, "IOCTL_STORAGE_QUERY_PROPERTY");
static_assert(IOCTL_SCSI_GET_ADDRESS == 0x41018, "IOCTL_SCSI_GET_ADDRESS");
static_assert(IOCTL_SCSI_MINIPORT == kIoctlScsiMiniport, "IOCTL_SCSI_MINIPORT");
static_assert(sizeof(SRB_IO_CONTROL) == kSrbIoControlSize, "SRB_IO_CONTROL");
static_assert(offsetof(SRB_IO_CONTROL, ReturnCode) == kSrbReturnCodeField, "SRB_IO_CONTROL");
static_assert(kCsmiTimeoutSeconds < kDeviceDeadlineMs / 1000, "the deadline leaves CSMI no time");
static_assert(offsetof(SCSI_ADDRESS, PortNumber) == 4 && offsetof(SCSI_ADDRESS, PathId) == 5,
              "SCSI_ADDRESS");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) == kRemovableMediaField,
              "removable media");
static_assert(offsetof(STORAGE_ADAPTER_DESCRIPTOR, BusType) == kAdapterBusTypeField, "adapter bus");
static_assert(static_cast<std::uint32_t>(BusTypeUsb) == kBusUsb &&
                  static_cast<std::uint32_t>(BusTypeRAID) == kBusRaid &&
                  static_cast<std::uint32_t>(BusTypeSata) == kBusSata &&
                  static_cast<std::uint32_t>(BusTypeNvme) == kBusNvme &&
                  static_cast<std::uint32_t>(BusTypeSas) == kBusSas &&
                  static_cast<std::uint32_t>(BusTypeAta) == kBusAta &&
                  static_cast<std::uint32_t>(BusTypeScsi) == kBusScsi,
              "bus types");
static_assert(StorageAdapterProtocolSpecificProperty == 49, "adapter protocol property");
static_assert(ProtocolTypeNvme == 3 && NVMeDataTypeIdentify == 1, "NVMe identify");
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == kProtocolRequestField,
              "protocol request");
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == kProtocolRequestSize, "protocol request");
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == kProtocolDataDescriptorSize,
              "protocol data descriptor");
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) +
                      offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset) ==
                  kProtocolDataOffsetField,
              "page offset field");
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) +
                      offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength) ==
                  kProtocolDataLengthField,
              "page length field");

namespace {

constexpr BYTE kIdentifyDevice = 0xEC;
constexpr DWORD kSmartRequestSize = sizeof(SENDCMDINPARAMS);                // 33
constexpr DWORD kSmartBufferSize = kSmartRequestSize + kIdentifySectorSize; // 545
// A reply holds the identity only when the driver returned the whole sector
// behind the header: a success with less is no answer.
constexpr DWORD kSmartReplySize = offsetof(SENDCMDOUTPARAMS, bBuffer) + kIdentifySectorSize;
// Some bridges stall on a command they do not know. A driver that keeps to
// this timeout fails the request before the scan's deadline gives the drive
// up, so the next request still gets its turn.
constexpr ULONG kPassThroughTimeoutSeconds = kDeviceDeadlineMs / 1000 - 1;
static_assert(kPassThroughTimeoutSeconds > 0, "the deadline leaves the driver no time");
constexpr DWORD kNvmeIdentifyController = 1; // CNS 01h

// A pass-through request and the room for its reply, in one buffer.
struct PassThroughBuffer {
    SCSI_PASS_THROUGH header;
    unsigned char sense[32];
    unsigned char data[kIdentifySectorSize];
};

constexpr DWORD kNvmeBufferSize = kProtocolRequestField + kProtocolRequestSize + kNvmeIdentifySize;

// A bridge's command and the room for its sense data and its data, the
// largest an NVMe page, or a command block sent to the bridge.
struct BridgeBuffer {
    SCSI_PASS_THROUGH header;
    unsigned char sense[32];
    unsigned char data[kBridgeNvmeIdentifySize];
};

// A descriptor and its texts fit with room to spare.
constexpr DWORD kPropertyReplySize = 1024;

// The bytes a reply holds from `start` on: at most `claimed` and `capacity`,
// and none past what the driver returned.
std::size_t BoundedSize(DWORD returned, std::size_t start, std::size_t claimed,
                        std::size_t capacity)
{
    const std::size_t available = returned > start ? returned - start : 0;
    std::size_t size = claimed < capacity ? claimed : capacity;
    return size < available ? size : available;
}

void FillSmartRequest(int index, unsigned char (&buffer)[kSmartBufferSize])
{
    SENDCMDINPARAMS request = {};
    request.cBufferSize = kIdentifySectorSize;
    request.irDriveRegs.bSectorCountReg = 1;
    request.irDriveRegs.bSectorNumberReg = 1;
    request.irDriveRegs.bDriveHeadReg = 0xA0;
    request.irDriveRegs.bCommandReg = kIdentifyDevice;
    request.bDriveNumber = static_cast<BYTE>(index);
    std::memcpy(buffer, &request, sizeof request);
}

bool DriverReportedError(const unsigned char (&buffer)[kSmartBufferSize])
{
    return buffer[offsetof(SENDCMDOUTPARAMS, DriverStatus) +
                  offsetof(DRIVERSTATUS, bDriverError)] != 0;
}

// The SMART identify, exactly as the scan has always sent it: the version
// query, then IDENTIFY DEVICE. The reply is the whole sector of the buffer,
// and only a reply that returned all of it counts.
bool SendSmartIdentify(DeviceIo& devices, HANDLE drive, int index, IdentifyReply& reply)
{
    GETVERSIONINPARAMS version = {};
    DWORD returned = 0;
    if (!devices.Control(drive, SMART_GET_VERSION, nullptr, 0, &version, sizeof version, &returned))
        return false;

    // Request and reply share one cleared buffer: a driver that answers
    // short leaves zeros, never stale bytes, behind its header.
    unsigned char buffer[kSmartBufferSize] = {};
    FillSmartRequest(index, buffer);
    if (!devices.Control(drive, SMART_RCV_DRIVE_DATA, buffer, kSmartRequestSize, buffer,
                         kSmartBufferSize, &returned) ||
        DriverReportedError(buffer) || returned < kSmartReplySize)
        return false;
    std::memcpy(reply.bytes.data(), buffer + offsetof(SENDCMDOUTPARAMS, bBuffer),
                kIdentifySectorSize);
    reply.size = kIdentifySectorSize;
    return true;
}

bool SendPassThroughIdentify(DeviceIo& devices, HANDLE drive, bool sixteen, IdentifyReply& reply)
{
    PassThroughBuffer buffer = {};
    SCSI_PASS_THROUGH& header = buffer.header;
    header.Length = sizeof header;
    header.CdbLength = static_cast<UCHAR>(MakeSatIdentifyCdb(sixteen, header.Cdb));
    header.SenseInfoLength = sizeof buffer.sense;
    header.DataIn = SCSI_IOCTL_DATA_IN;
    header.DataTransferLength = sizeof buffer.data;
    header.TimeOutValue = kPassThroughTimeoutSeconds;
    header.DataBufferOffset = offsetof(PassThroughBuffer, data);
    header.SenseInfoOffset = offsetof(PassThroughBuffer, sense);
    DWORD returned = 0;
    if (!devices.Control(drive, IOCTL_SCSI_PASS_THROUGH, &buffer, sizeof header, &buffer,
                         sizeof buffer, &returned))
        return false;

    const std::size_t senseSize = BoundedSize(returned, offsetof(PassThroughBuffer, sense),
                                              header.SenseInfoLength, sizeof buffer.sense);
    if (!SatReplyShowsNoError(header.ScsiStatus, buffer.sense, senseSize))
        return false;
    reply.size = BoundedSize(returned, offsetof(PassThroughBuffer, data), header.DataTransferLength,
                             sizeof buffer.data);
    std::memcpy(reply.bytes.data(), buffer.data, reply.size);
    return true;
}

// Sends one of a bridge's commands. Returns true when the bridge took it and
// it ended well, with the data that came back in `data`.
bool SendBridgeCommand(DeviceIo& devices, HANDLE drive, BridgeProtocol protocol,
                       const BridgeCommand& command, std::vector<unsigned char>& data)
{
    auto buffer = std::make_unique<BridgeBuffer>();
    SCSI_PASS_THROUGH& header = buffer->header;
    header = SCSI_PASS_THROUGH();
    header.Length = sizeof header;
    header.CdbLength = static_cast<UCHAR>(command.cdbLength);
    std::memcpy(header.Cdb, command.cdb, sizeof header.Cdb);
    header.SenseInfoLength = sizeof buffer->sense;
    header.TimeOutValue = kPassThroughTimeoutSeconds;
    header.DataBufferOffset = offsetof(BridgeBuffer, data);
    header.SenseInfoOffset = offsetof(BridgeBuffer, sense);
    DWORD inSize = sizeof header;
    if (command.dataIn) {
        header.DataIn = SCSI_IOCTL_DATA_IN;
        header.DataTransferLength = static_cast<ULONG>(command.dataInLength);
    } else {
        header.DataIn = SCSI_IOCTL_DATA_OUT;
        header.DataTransferLength = static_cast<ULONG>(command.dataOut.size());
        std::memcpy(buffer->data, command.dataOut.data(), command.dataOut.size());
        inSize = static_cast<DWORD>(offsetof(BridgeBuffer, data) + command.dataOut.size());
    }
    DWORD returned = 0;
    if (!devices.Control(drive, IOCTL_SCSI_PASS_THROUGH, buffer.get(), inSize, buffer.get(),
                         sizeof(BridgeBuffer), &returned))
        return false;
    const std::size_t senseSize = BoundedSize(returned, offsetof(BridgeBuffer, sense),
                                              header.SenseInfoLength, sizeof buffer->sense);
    if (!BridgeCommandSucceeded(protocol, header.ScsiStatus, buffer->sense, senseSize))
        return false;
    const std::size_t size = command.dataIn
                                 ? BoundedSize(returned, offsetof(BridgeBuffer, data),
                                               header.DataTransferLength, command.dataInLength)
                                 : 0;
    data.assign(buffer->data, buffer->data + size);
    return true;
}

// The drive's identity through its bridge's own commands: each must end
// well, the identity must come back whole, and where the bridge reports how
// the drive ended the command, that must show no error.
bool SendBridgeIdentify(DeviceIo& devices, HANDLE drive, BridgeProtocol protocol, int port,
                        IdentifyReply& reply)
{
    bool whole = false;
    for (const BridgeCommand& command : BridgeIdentifyCommands(protocol, port)) {
        std::vector<unsigned char> data;
        if (!SendBridgeCommand(devices, drive, protocol, command, data))
            return false;
        if (command.holdsCompletion &&
            !BridgeCompletionSucceeded(protocol, data.data(), data.size()))
            return false;
        if (command.holdsIdentity) {
            whole = data.size() == command.dataInLength;
            reply.size = data.size() < reply.bytes.size() ? data.size() : reply.bytes.size();
            std::memcpy(reply.bytes.data(), data.data(), reply.size);
        }
    }
    return whole;
}

void FillNvmeQuery(unsigned char* buffer)
{
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageAdapterProtocolSpecificProperty;
    query.QueryType = PropertyStandardQuery;
    std::memcpy(buffer, &query, kProtocolRequestField);

    STORAGE_PROTOCOL_SPECIFIC_DATA protocol = {};
    protocol.ProtocolType = ProtocolTypeNvme;
    protocol.DataType = NVMeDataTypeIdentify;
    protocol.ProtocolDataRequestValue = kNvmeIdentifyController;
    protocol.ProtocolDataOffset = sizeof protocol;
    protocol.ProtocolDataLength = kNvmeIdentifySize;
    std::memcpy(buffer + kProtocolRequestField, &protocol, sizeof protocol);
}

// Systems before Windows 10 do not know the property and fail the query.
bool SendNvmeIdentify(DeviceIo& devices, HANDLE drive, IdentifyReply& reply)
{
    std::vector<unsigned char> buffer(kNvmeBufferSize, 0);
    FillNvmeQuery(buffer.data());
    DWORD returned = 0;
    if (!devices.Control(drive, IOCTL_STORAGE_QUERY_PROPERTY, buffer.data(), kNvmeBufferSize,
                         buffer.data(), kNvmeBufferSize, &returned))
        return false;
    const NvmePagePlace page = FindNvmePage(buffer.data(), buffer.size(), returned);
    std::memcpy(reply.bytes.data(), buffer.data() + page.start, page.size);
    reply.size = page.size;
    return true;
}

} // namespace

bool QueryStorageProperty(DeviceIo& devices, HANDLE drive, DWORD property,
                          std::vector<unsigned char>& reply)
{
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = static_cast<STORAGE_PROPERTY_ID>(property);
    query.QueryType = PropertyStandardQuery;
    std::vector<unsigned char> buffer(kPropertyReplySize, 0);
    DWORD returned = 0;
    if (!devices.Control(drive, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer.data(),
                         kPropertyReplySize, &returned))
        return false;
    buffer.resize(returned < kPropertyReplySize ? returned : kPropertyReplySize);
    reply = buffer;
    return true;
}

bool QueryScsiAddress(DeviceIo& devices, HANDLE drive, std::vector<unsigned char>& reply,
                      DriveAddress& address)
{
    SCSI_ADDRESS answer = {};
    DWORD returned = 0;
    if (!devices.Control(drive, IOCTL_SCSI_GET_ADDRESS, nullptr, 0, &answer, sizeof answer,
                         &returned) ||
        returned < offsetof(SCSI_ADDRESS, PortNumber) + 1)
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&answer);
    reply.assign(bytes, bytes + (returned < sizeof answer ? returned : sizeof answer));
    address.port = answer.PortNumber;
    // A reply too short to hold the path leaves it unknown.
    address.path = returned > offsetof(SCSI_ADDRESS, PathId) ? answer.PathId : -1;
    return true;
}

bool ReadJMicronPortRegister(DeviceIo& devices, HANDLE drive, unsigned char& value)
{
    std::vector<unsigned char> data;
    if (!SendBridgeCommand(devices, drive, BridgeProtocol::JMicronAta, JMicronPortRegisterRead(),
                           data) ||
        data.size() != 1)
        return false;
    value = data[0];
    return true;
}

bool SendMiniportRequest(DeviceIo& devices, HANDLE port, std::vector<unsigned char>& buffer,
                         DWORD& returned)
{
    returned = 0;
    const DWORD size = static_cast<DWORD>(buffer.size());
    return devices.Control(port, IOCTL_SCSI_MINIPORT, buffer.data(), size, buffer.data(), size,
                           &returned);
}

std::string PhysicalDrivePath(int index)
{
    char path[256];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", index);
    return path;
}

std::string ScsiPortPath(int port)
{
    char path[64];
    std::snprintf(path, sizeof path, "\\\\.\\Scsi%d:", port);
    return path;
}

HANDLE OpenScsiPort(DeviceIo& devices, int port)
{
    return devices.Open(ScsiPortPath(port).c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE);
}

HANDLE OpenPhysicalDrive(DeviceIo& devices, int index)
{
    return devices.Open(PhysicalDrivePath(index).c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

bool SendIdentifyRequest(DeviceIo& devices, HANDLE drive, int index, IdentifyRequest request,
                         IdentifyReply& reply, int bridgePort)
{
    reply = IdentifyReply();
    switch (request) {
    case IdentifyRequest::Smart:
        return SendSmartIdentify(devices, drive, index, reply);
    case IdentifyRequest::Sat16:
        return SendPassThroughIdentify(devices, drive, true, reply);
    case IdentifyRequest::Sat12:
        return SendPassThroughIdentify(devices, drive, false, reply);
    case IdentifyRequest::Nvme:
        return SendNvmeIdentify(devices, drive, reply);
    case IdentifyRequest::Csmi:
    case IdentifyRequest::RstNvme:
        return false; // sent to a RAID driver's port, not to a drive
    default:
        return SendBridgeIdentify(devices, drive, BridgeProtocolOf(request), bridgePort, reply);
    }
}
