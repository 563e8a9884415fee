#include "tests/win32/support/replay_devices.h"

#include <winioctl.h>

#include <ntddscsi.h>

#include <algorithm>
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

// Sense data of an ATA command that ended well, as a bridge returns it when
// asked for the registers: RECOVERED ERROR, ATA PASS-THROUGH INFORMATION
// AVAILABLE, an ATA Status Return descriptor with DRDY set.
const unsigned char kGoodAtaSense[] = {0x72, 0x01, 0x00, 0x1D, 0, 0, 0, 14, 0x09, 0x0C, 0,
                                       0,    0,    1,    0,    0, 0, 0, 0,  0,    0xA0, 0x50};

// What a bridge answers a command it does not know: ILLEGAL REQUEST,
// INVALID COMMAND OPERATION CODE, in fixed format.
const unsigned char kInvalidOpcodeSense[] = {0x70, 0, 0x05, 0,    0, 0, 0, 10, 0,
                                             0,    0, 0,    0x20, 0, 0, 0, 0,  0};

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
    if (IsPortHandle(device))
        return code == IOCTL_SCSI_MINIPORT && AnswerCsmi(drive, in, inSize, out, outSize, returned);
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

// Answers only an IDENTIFY DEVICE pass-through that reads one sector, within
// the buffers the request gives.
bool ReplayDevices::AnswerPassThrough(const std::string& device, const void* in, DWORD inSize,
                                      void* out, DWORD outSize, DWORD* returned) const
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
    HangIfSilent(device, sixteen ? "sat16.hang" : "sat12.hang");
    auto* bytes = static_cast<unsigned char*>(out);
    const long size = Recorded(device, sixteen ? "sat16.bin" : "sat12.bin",
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

bool ReplayDevices::AnswerCsmi(const std::string&, const void*, DWORD, void*, DWORD, DWORD*) const
{
    return false;
}
