#include "identify/identify_requests.h"

#include "identify/ata_pass_through.h"
#include "platform/timed_device_io.h"

#include <winioctl.h>

#include <ntddscsi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
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
// query, then IDENTIFY DEVICE. The reply is the whole sector of the buffer.
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
        DriverReportedError(buffer))
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

HANDLE OpenPhysicalDrive(DeviceIo& devices, int index)
{
    char path[256];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", index);
    return devices.Open(path, GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

bool SendIdentifyRequest(DeviceIo& devices, HANDLE drive, int index, IdentifyRequest request,
                         IdentifyReply& reply)
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
    }
    return false;
}
