#include "tests/win32/support/replay_devices.h"

#include <winioctl.h>

#include <ntddscsi.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

constexpr char kDrivePrefix[] = "\\\\.\\PhysicalDrive";
constexpr std::size_t kSectorSize = 512;
constexpr std::size_t kNvmePageSize = 4096;

int Index(HANDLE device)
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(device)) - 0x1000;
}

// Sense data of an ATA command that ended well, as a bridge returns it when
// asked for the registers: RECOVERED ERROR, ATA PASS-THROUGH INFORMATION
// AVAILABLE, an ATA Status Return descriptor with DRDY set.
const unsigned char kGoodAtaSense[] = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 14, 0x09, 0x0C, 0,
                                       0,    0,    1,    0,    0, 0, 0, 0,  0,    0xA0, 0x50};

} // namespace

HANDLE ReplayDevices::Open(const char* path, DWORD, DWORD)
{
    const std::size_t prefix = std::strlen(kDrivePrefix);
    if (std::strncmp(path, kDrivePrefix, prefix) != 0)
        return INVALID_HANDLE_VALUE;
    const int index = std::atoi(path + prefix);
    const DWORD attributes = GetFileAttributesA((folder + "/" + std::to_string(index)).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return INVALID_HANDLE_VALUE;
    HangIfSilent(index, "open.hang");
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x1000 + index));
}

long ReplayDevices::Recorded(int index, const char* name, unsigned char* out,
                             std::size_t capacity) const
{
    std::ifstream file(folder + "/" + std::to_string(index) + "/" + name, std::ios::binary);
    if (!file)
        return -1;
    if (capacity == 0)
        return 0;
    file.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(capacity));
    return static_cast<long>(file.gcount());
}

void ReplayDevices::HangIfSilent(int index, const char* name) const
{
    if (Recorded(index, name, nullptr, 0) >= 0)
        Sleep(INFINITE);
}

bool ReplayDevices::Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                            DWORD outSize, DWORD* returned)
{
    const int index = Index(device);
    *returned = 0;
    switch (code) {
    case SMART_GET_VERSION:
        HangIfSilent(index, "smart.hang");
        // A drive recorded with a SMART reply takes SMART requests.
        if (Recorded(index, "smart.bin", nullptr, 0) < 0 || outSize < sizeof(GETVERSIONINPARAMS))
            return false;
        *returned = sizeof(GETVERSIONINPARAMS);
        return true;
    case SMART_RCV_DRIVE_DATA:
        HangIfSilent(index, "smart.hang");
        return AnswerSmartIdentify(index, out, outSize, returned);
    case IOCTL_SCSI_PASS_THROUGH:
        return AnswerPassThrough(index, in, inSize, out, outSize, returned);
    case IOCTL_STORAGE_QUERY_PROPERTY:
        return AnswerNvmeQuery(index, in, inSize, out, outSize, returned);
    default:
        return false;
    }
}

bool ReplayDevices::AnswerSmartIdentify(int index, void* out, DWORD outSize, DWORD* returned) const
{
    const std::size_t header = offsetof(SENDCMDOUTPARAMS, bBuffer);
    if (outSize < header + kSectorSize)
        return false;
    auto* reply = static_cast<unsigned char*>(out);
    const long size = Recorded(index, "smart.bin", reply + header, kSectorSize);
    if (size < 0)
        return false;
    reply[offsetof(SENDCMDOUTPARAMS, DriverStatus) + offsetof(DRIVERSTATUS, bDriverError)] = 0;
    *returned = static_cast<DWORD>(header + size);
    return true;
}

// Answers only an IDENTIFY DEVICE pass-through that reads one sector, within
// the buffers the request gives.
bool ReplayDevices::AnswerPassThrough(int index, const void* in, DWORD inSize, void* out,
                                      DWORD outSize, DWORD* returned) const
{
    if (in != out || inSize < sizeof(SCSI_PASS_THROUGH))
        return false;
    auto* request = static_cast<SCSI_PASS_THROUGH*>(out);
    const bool sixteen =
        request->CdbLength == 16 && request->Cdb[0] == 0x85 && request->Cdb[14] == 0xEC;
    const bool twelve =
        request->CdbLength == 12 && request->Cdb[0] == 0xA1 && request->Cdb[9] == 0xEC;
    if ((!sixteen && !twelve) || request->DataIn != SCSI_IOCTL_DATA_IN ||
        request->DataTransferLength != kSectorSize || request->TimeOutValue == 0 ||
        request->TimeOutValue > 5 || request->DataBufferOffset + kSectorSize > outSize ||
        request->SenseInfoOffset + sizeof kGoodAtaSense > outSize ||
        request->SenseInfoLength < sizeof kGoodAtaSense)
        return false;
    HangIfSilent(index, sixteen ? "sat16.hang" : "sat12.hang");
    auto* bytes = static_cast<unsigned char*>(out);
    const long size = Recorded(index, sixteen ? "sat16.bin" : "sat12.bin",
                               bytes + request->DataBufferOffset, kSectorSize);
    if (size < 0)
        return false;
    std::memcpy(bytes + request->SenseInfoOffset, kGoodAtaSense, sizeof kGoodAtaSense);
    request->ScsiStatus = 0x02; // CHECK CONDITION, carrying the registers
    request->SenseInfoLength = sizeof kGoodAtaSense;
    request->DataTransferLength = static_cast<ULONG>(size);
    *returned = static_cast<DWORD>(request->DataBufferOffset + size);
    return true;
}

// Answers only the adapter's NVMe Identify Controller query.
bool ReplayDevices::AnswerNvmeQuery(int index, const void* in, DWORD inSize, void* out,
                                    DWORD outSize, DWORD* returned) const
{
    const std::size_t requestField = offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters);
    if (inSize < requestField + sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA))
        return false;
    STORAGE_PROPERTY_QUERY query;
    STORAGE_PROTOCOL_SPECIFIC_DATA protocol;
    std::memcpy(&query, in, requestField);
    std::memcpy(&protocol, static_cast<const unsigned char*>(in) + requestField, sizeof protocol);
    if (query.PropertyId != StorageAdapterProtocolSpecificProperty ||
        query.QueryType != PropertyStandardQuery || protocol.ProtocolType != ProtocolTypeNvme ||
        protocol.DataType != NVMeDataTypeIdentify || protocol.ProtocolDataRequestValue != 1 ||
        protocol.ProtocolDataOffset < sizeof protocol ||
        protocol.ProtocolDataLength < kNvmePageSize ||
        requestField + protocol.ProtocolDataOffset + kNvmePageSize > outSize)
        return false;
    HangIfSilent(index, "nvme.hang");
    std::vector<unsigned char> page(kNvmePageSize);
    const long size = Recorded(index, "nvme.bin", page.data(), page.size());
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
