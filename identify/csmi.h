#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// CSMI requests to a RAID driver's SCSI port (\\.\ScsiN:), sent with
// IOCTL_SCSI_MINIPORT: the driver's name, its phys and what is attached to
// them, and IDENTIFY DEVICE to an attached SATA drive through the STP
// pass-through. Each request is one buffer that the driver fills in place:
// the SRB_IO_CONTROL header, then the CSMI structure. Numbers are
// little-endian; every structure is laid out with natural alignment, at most
// 4 bytes.

constexpr std::uint32_t kIoctlScsiMiniport = 0x0004D008;

// SRB_IO_CONTROL: HeaderLength, Signature[8], Timeout, ControlCode,
// ReturnCode, Length (the bytes after the header).
constexpr std::size_t kSrbHeaderLengthField = 0;
constexpr std::size_t kSrbSignatureField = 4;
constexpr std::size_t kSrbSignatureSize = 8;
constexpr std::size_t kSrbTimeoutField = 12;
constexpr std::size_t kSrbControlCodeField = 16;
constexpr std::size_t kSrbReturnCodeField = 20;
constexpr std::size_t kSrbLengthField = 24;
constexpr std::size_t kSrbIoControlSize = 28;
static_assert(kSrbLengthField + 4 == kSrbIoControlSize, "SRB_IO_CONTROL ends with Length");
static_assert(kSrbSignatureField + kSrbSignatureSize == kSrbTimeoutField, "Signature[8]");

// Control codes (the Windows numbering) and the signature each needs.
constexpr std::uint32_t kCsmiGetDriverInfo = 1;   // "CSMIALL"
constexpr std::uint32_t kCsmiGetPhyInfo = 20;     // "CSMISAS"
constexpr std::uint32_t kCsmiStpPassThrough = 25; // "CSMISAS"
constexpr std::uint32_t kCsmiStatusSuccess = 0;   // ReturnCode
constexpr std::uint32_t kCsmiStatusFailed = 1;
// The driver's own timeout for a request, in seconds: below the scan's
// four-second deadline, so a driver that keeps to it fails the request
// before the scan gives the port up.
constexpr std::uint32_t kCsmiTimeoutSeconds = 3;

// CSMI_SAS_DRIVER_INFO: szName[81], szDescription[81], six 16-bit revisions.
constexpr std::size_t kCsmiDriverNameSize = 81;
constexpr std::size_t kCsmiDriverInfoSize = 174;
constexpr std::size_t kCsmiDriverInfoBufferSize = 204; // padded to 4
static_assert(kCsmiDriverInfoSize == 2 * kCsmiDriverNameSize + 6 * 2, "driver info");
static_assert(kCsmiDriverInfoBufferSize == (kSrbIoControlSize + kCsmiDriverInfoSize + 3) / 4 * 4,
              "driver info buffer");

// CSMI_SAS_PHY_INFO: bNumberOfPhys, 3 reserved bytes, Phy[32], each a
// CSMI_SAS_PHY_ENTITY: Identify (the controller's phy, a 28-byte
// CSMI_SAS_IDENTIFY), bPortIdentifier and 7 more bytes, Attached (the
// device on it, a CSMI_SAS_IDENTIFY).
constexpr std::size_t kCsmiMaxPhys = 32;
constexpr std::size_t kCsmiIdentifySize = 28;
constexpr std::size_t kCsmiIdentifyDeviceType = 0;     // bDeviceType
constexpr std::size_t kCsmiIdentifyTargetProtocol = 3; // bTargetPortProtocol
constexpr std::size_t kCsmiIdentifySasAddress = 12;    // bSASAddress[8]
constexpr std::size_t kCsmiIdentifyPhyIdentifier = 20; // bPhyIdentifier
constexpr std::size_t kCsmiPhyEntityIdentify = 0;
constexpr std::size_t kCsmiPhyEntityPortIdentifier = 28;
constexpr std::size_t kCsmiPhyEntityAttached = 36;
constexpr std::size_t kCsmiPhyEntitySize = 64;
constexpr std::size_t kCsmiPhyInfoPhys = 4; // Phy[0]
constexpr std::size_t kCsmiPhyInfoSize = kCsmiPhyInfoPhys + kCsmiMaxPhys * kCsmiPhyEntitySize;
constexpr std::size_t kCsmiPhyInfoBufferSize = 2080;
static_assert(kCsmiPhyEntityAttached == kCsmiIdentifySize + 8, "phy entity");
static_assert(kCsmiPhyEntitySize == kCsmiPhyEntityAttached + kCsmiIdentifySize, "phy entity");
static_assert(kCsmiPhyInfoBufferSize == kSrbIoControlSize + kCsmiPhyInfoSize, "phy info buffer");

// CSMI_SAS_STP_PASSTHRU: bPhyIdentifier, bPortIdentifier, bConnectionRate,
// a reserved byte, bDestinationSASAddress[8], 4 reserved bytes,
// bCommandFIS[20], uFlags, uDataLength. Then CSMI_SAS_STP_PASSTHRU_STATUS:
// bConnectionStatus, 3 reserved bytes, bStatusFIS[20], uSCR[16],
// uDataBytes. Then the data.
constexpr std::size_t kCsmiStpPhyIdentifier = 0;
constexpr std::size_t kCsmiStpPortIdentifier = 1;
constexpr std::size_t kCsmiStpConnectionRate = 2;
constexpr std::size_t kCsmiStpSasAddress = 4;
constexpr std::size_t kCsmiStpCommandFis = 16;
constexpr std::size_t kCsmiFisSize = 20;
constexpr std::size_t kCsmiStpFlags = 36;
constexpr std::size_t kCsmiStpDataLength = 40;
constexpr std::size_t kCsmiStpParametersSize = 44;
constexpr std::size_t kCsmiStpConnectionStatus = 0;
constexpr std::size_t kCsmiStpStatusFis = 4;
constexpr std::size_t kCsmiStpDataBytes = 88;
constexpr std::size_t kCsmiStpStatusSize = 92;
constexpr std::size_t kCsmiStpParameters = kSrbIoControlSize;                       // 28
constexpr std::size_t kCsmiStpStatus = kCsmiStpParameters + kCsmiStpParametersSize; // 72
constexpr std::size_t kCsmiStpData = kCsmiStpStatus + kCsmiStpStatusSize;           // 164
constexpr std::uint32_t kCsmiStpRead = 0x01;
constexpr std::uint32_t kCsmiStpPio = 0x10;
constexpr std::size_t kCsmiSectorSize = 512;
// The buffer structure declares one data byte, which pads it to 168; drivers
// may count the data from there, so the request has room for both readings.
constexpr std::size_t kCsmiStpBufferSize = 168 + kCsmiSectorSize;
static_assert(kCsmiStpCommandFis + kCsmiFisSize == kCsmiStpFlags, "command FIS");
static_assert(kCsmiStpDataLength + 4 == kCsmiStpParametersSize, "STP parameters");
static_assert(kCsmiStpStatusFis + kCsmiFisSize + 16 * 4 == kCsmiStpDataBytes, "STP status");
static_assert(kCsmiStpDataBytes + 4 == kCsmiStpStatusSize, "STP status");
static_assert(kCsmiStpBufferSize == (kCsmiStpData + 1 + 3) / 4 * 4 + kCsmiSectorSize, "STP buffer");

// Whether `service` (the port's Driver value under
// HKLM\HARDWARE\DEVICEMAP\Scsi\Scsi Port N) is one of Intel's RAID and Rapid
// Storage drivers, the only ones that take CSMI requests safely. Whole name,
// any case. AMD's RAID driver is never one: CSMI requests have crashed
// Windows with it.
bool IsCsmiSafeDriver(const std::string& service);

// The whole in/out buffer of the driver-info request.
std::vector<unsigned char> CsmiDriverInfoRequest();

// Reads a driver-info reply: the `size`-byte buffer of which the driver
// filled `returned` bytes. True when the header's ReturnCode says success;
// `name` then holds the driver's name, up to its first zero byte.
bool ReadCsmiDriverInfo(const unsigned char* reply, std::size_t size, std::size_t returned,
                        std::string& name);

// The whole in/out buffer of the phy-info request. Its ReturnCode says
// failure until the driver sets it.
std::vector<unsigned char> CsmiPhyInfoRequest();

// A SATA drive on one of the controller's phys, as the STP pass-through
// addresses it: `phy` and `port` are the identifiers the phy info gives it
// (Intel's drivers ignore both), `sasAddress` the attached device's address
// (Intel's drivers find the drive by it). `portNumber` is the port the
// drive sits on as the controller's own tools count, for naming it.
struct CsmiSataDevice {
    unsigned char phy = 0;
    unsigned char port = 0;
    unsigned char sasAddress[8] = {};
    unsigned char portNumber = 0;
    unsigned char entry = 0; // its place in the phy info's table of 32
};

// Reads a phy-info reply. True when the header's ReturnCode says success,
// the phy count is possible and the returned bytes hold every entry it
// counts; `devices` then holds the attached SATA drives, in phy order (none
// at all is a success too).
bool ReadCsmiPhyInfo(const unsigned char* reply, std::size_t size, std::size_t returned,
                     std::vector<CsmiSataDevice>& devices);

// The whole in/out buffer of the STP pass-through that sends IDENTIFY DEVICE
// to `device`: a register FIS from the host, PIO data-in of one sector.
std::vector<unsigned char> CsmiIdentifyRequest(const CsmiSataDevice& device);

// Reads an identify reply. True when the header's ReturnCode says success,
// the connection was accepted, the status FIS shows no error (BSY, DF and
// ERR clear), the driver reports no short transfer and the whole sector lies
// within the returned bytes; `sector` then holds it.
bool ReadCsmiIdentify(const unsigned char* reply, std::size_t size, std::size_t returned,
                      unsigned char (&sector)[512]);
