#include "identify/csmi.h"

#include "platform/little_endian.h"

#include <cctype>
#include <cstring>

namespace {

// Intel's RAID and Rapid Storage miniport drivers, by service name: Matrix
// Storage and early RST (iaStor), the drivers Windows itself ships (iaStorV,
// iaStorAV), later RST (iaStorA, iaStorAC, iaStorAVC) and RST with VMD
// (iaStorVD).
constexpr const char* kCsmiSafeDrivers[] = {"iaStor",   "iaStorV",   "iaStorAV", "iaStorA",
                                            "iaStorAC", "iaStorAVC", "iaStorVD"};

constexpr const char kAllSignature[] = "CSMIALL";
constexpr const char kSasSignature[] = "CSMISAS";
static_assert(sizeof kAllSignature <= kSrbSignatureSize, "signature");
static_assert(sizeof kSasSignature <= kSrbSignatureSize, "signature");

// An attached device is a SATA drive when it speaks SATA or STP.
constexpr unsigned char kNoDevice = 0x00;
constexpr unsigned char kProtocolSata = 0x01;
constexpr unsigned char kProtocolStp = 0x04;

constexpr unsigned char kRegisterHostToDevice = 0x27;
constexpr unsigned char kUpdateCommand = 0x80;
constexpr unsigned char kIdentifyDevice = 0xEC;
constexpr std::size_t kFisCommand = 2;
constexpr std::size_t kFisStatus = 2;
constexpr std::size_t kFisCount = 12;
constexpr unsigned char kStatusBusy = 0x80;
constexpr unsigned char kStatusDeviceFault = 0x20;
constexpr unsigned char kStatusError = 0x01;
constexpr unsigned char kConnectionAccepted = 0;

bool SameName(const std::string& name, const char* known)
{
    const std::size_t length = std::strlen(known);
    if (name.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) !=
            std::tolower(static_cast<unsigned char>(known[i])))
            return false;
    }
    return true;
}

// The bytes of a reply that may be read: those the driver returned, within
// the buffer.
std::size_t ReplyEnd(std::size_t size, std::size_t returned)
{
    return returned < size ? returned : size;
}

// A request of `size` bytes with its header filled and the rest zero, its
// ReturnCode `preset` until the driver sets it.
std::vector<unsigned char> CsmiRequest(std::size_t size, std::uint32_t code, const char* signature,
                                       std::uint32_t preset = kCsmiStatusSuccess)
{
    std::vector<unsigned char> buffer(size, 0);
    WriteLittleEndian32(&buffer[kSrbHeaderLengthField], kSrbIoControlSize);
    std::memcpy(&buffer[kSrbSignatureField], signature, std::strlen(signature));
    WriteLittleEndian32(&buffer[kSrbTimeoutField], kCsmiTimeoutSeconds);
    WriteLittleEndian32(&buffer[kSrbControlCodeField], code);
    WriteLittleEndian32(&buffer[kSrbReturnCodeField], preset);
    WriteLittleEndian32(&buffer[kSrbLengthField],
                        static_cast<std::uint32_t>(size - kSrbIoControlSize));
    return buffer;
}

// Whether the reply holds a header whose ReturnCode says success.
bool HeaderSaysSuccess(const unsigned char* reply, std::size_t end)
{
    return reply != nullptr && end >= kSrbIoControlSize &&
           ReadLittleEndian32(reply + kSrbReturnCodeField) == kCsmiStatusSuccess;
}

// Where a phy entry's port number is read from. Intel's drivers have put it
// in different fields across versions (and in none: the entry's index); the
// first field whose values are distinct and not just the index wins.
enum class PortSource { AttachedPhy, ControllerPhy, PortIdentifier, Index };

unsigned PortCandidate(const unsigned char* entry, std::size_t index, PortSource source)
{
    switch (source) {
    case PortSource::AttachedPhy:
        return entry[kCsmiPhyEntityAttached + kCsmiIdentifyPhyIdentifier];
    case PortSource::ControllerPhy:
        return entry[kCsmiPhyEntityIdentify + kCsmiIdentifyPhyIdentifier];
    case PortSource::PortIdentifier:
        return entry[kCsmiPhyEntityPortIdentifier];
    case PortSource::Index:
        break;
    }
    return static_cast<unsigned>(index);
}

bool IsControllerPhy(const unsigned char* entry)
{
    return entry[kCsmiPhyEntityIdentify + kCsmiIdentifyDeviceType] != kNoDevice;
}

bool NamesPorts(const unsigned char* phys, std::size_t count, PortSource source)
{
    bool used[kCsmiMaxPhys] = {};
    bool differs = false;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* entry = phys + i * kCsmiPhyEntitySize;
        if (!IsControllerPhy(entry))
            continue;
        const unsigned port = PortCandidate(entry, i, source);
        if (port >= kCsmiMaxPhys || used[port])
            return false;
        used[port] = true;
        differs = differs || port != i;
    }
    return differs;
}

PortSource ChoosePortSource(const unsigned char* phys, std::size_t count)
{
    for (PortSource source :
         {PortSource::AttachedPhy, PortSource::ControllerPhy, PortSource::PortIdentifier}) {
        if (NamesPorts(phys, count, source))
            return source;
    }
    return PortSource::Index;
}

bool HoldsSataDrive(const unsigned char* entry)
{
    const unsigned char* attached = entry + kCsmiPhyEntityAttached;
    const unsigned char protocol = attached[kCsmiIdentifyTargetProtocol];
    return IsControllerPhy(entry) && attached[kCsmiIdentifyDeviceType] != kNoDevice &&
           (protocol == kProtocolSata || protocol == kProtocolStp);
}

CsmiSataDevice SataDevice(const unsigned char* entry, std::size_t index, PortSource source)
{
    CsmiSataDevice device;
    device.phy = entry[kCsmiPhyEntityIdentify + kCsmiIdentifyPhyIdentifier];
    device.port = entry[kCsmiPhyEntityPortIdentifier];
    std::memcpy(device.sasAddress, entry + kCsmiPhyEntityAttached + kCsmiIdentifySasAddress,
                sizeof device.sasAddress);
    device.portNumber = static_cast<unsigned char>(PortCandidate(entry, index, source));
    device.entry = static_cast<unsigned char>(index);
    return device;
}

} // namespace

bool IsCsmiSafeDriver(const std::string& service)
{
    for (const char* known : kCsmiSafeDrivers) {
        if (SameName(service, known))
            return true;
    }
    return false;
}

std::vector<unsigned char> CsmiDriverInfoRequest()
{
    return CsmiRequest(kCsmiDriverInfoBufferSize, kCsmiGetDriverInfo, kAllSignature);
}

bool ReadCsmiDriverInfo(const unsigned char* reply, std::size_t size, std::size_t returned,
                        std::string& name)
{
    const std::size_t end = ReplyEnd(size, returned);
    if (!HeaderSaysSuccess(reply, end))
        return false;
    std::size_t last = kSrbIoControlSize + kCsmiDriverNameSize;
    if (last > end)
        last = end;
    name.clear();
    for (std::size_t at = kSrbIoControlSize; at < last && reply[at] != 0; ++at)
        name += static_cast<char>(reply[at]);
    return true;
}

std::vector<unsigned char> CsmiPhyInfoRequest()
{
    // A driver that leaves the buffer as it was sent must not pass for one
    // that found no drive.
    return CsmiRequest(kCsmiPhyInfoBufferSize, kCsmiGetPhyInfo, kSasSignature, kCsmiStatusFailed);
}

bool ReadCsmiPhyInfo(const unsigned char* reply, std::size_t size, std::size_t returned,
                     std::vector<CsmiSataDevice>& devices)
{
    devices.clear();
    const std::size_t end = ReplyEnd(size, returned);
    const std::size_t physStart = kSrbIoControlSize + kCsmiPhyInfoPhys;
    if (!HeaderSaysSuccess(reply, end) || end < physStart)
        return false;
    const std::size_t count = reply[kSrbIoControlSize];
    if (count > kCsmiMaxPhys || end < physStart + count * kCsmiPhyEntitySize)
        return false;
    const unsigned char* phys = reply + physStart;
    const PortSource source = ChoosePortSource(phys, count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* entry = phys + i * kCsmiPhyEntitySize;
        if (HoldsSataDrive(entry))
            devices.push_back(SataDevice(entry, i, source));
    }
    return true;
}

std::vector<unsigned char> CsmiIdentifyRequest(const CsmiSataDevice& device)
{
    std::vector<unsigned char> buffer =
        CsmiRequest(kCsmiStpBufferSize, kCsmiStpPassThrough, kSasSignature);
    unsigned char* parameters = &buffer[kCsmiStpParameters];
    parameters[kCsmiStpPhyIdentifier] = device.phy;
    parameters[kCsmiStpPortIdentifier] = device.port;
    parameters[kCsmiStpConnectionRate] = 0; // negotiated
    std::memcpy(parameters + kCsmiStpSasAddress, device.sasAddress, sizeof device.sasAddress);
    unsigned char* fis = parameters + kCsmiStpCommandFis;
    fis[0] = kRegisterHostToDevice;
    fis[1] = kUpdateCommand;
    fis[kFisCommand] = kIdentifyDevice;
    fis[kFisCount] = 1;
    WriteLittleEndian32(parameters + kCsmiStpFlags, kCsmiStpPio | kCsmiStpRead);
    WriteLittleEndian32(parameters + kCsmiStpDataLength, kCsmiSectorSize);
    return buffer;
}

bool ReadCsmiIdentify(const unsigned char* reply, std::size_t size, std::size_t returned,
                      unsigned char (&sector)[512])
{
    const std::size_t end = ReplyEnd(size, returned);
    if (!HeaderSaysSuccess(reply, end) || end < kCsmiStpData + kCsmiSectorSize)
        return false;
    const unsigned char* status = reply + kCsmiStpStatus;
    const unsigned char ataStatus = status[kCsmiStpStatusFis + kFisStatus];
    const std::uint32_t dataBytes = ReadLittleEndian32(status + kCsmiStpDataBytes);
    if (status[kCsmiStpConnectionStatus] != kConnectionAccepted ||
        (ataStatus & (kStatusBusy | kStatusDeviceFault | kStatusError)) != 0 ||
        (dataBytes != 0 && dataBytes < kCsmiSectorSize))
        return false;
    std::memcpy(sector, reply + kCsmiStpData, kCsmiSectorSize);
    return true;
}
