#pragma once

#include "identify/csmi.h"
#include "identify/nvme_identify.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Identify Controller to an NVMe drive behind Intel's RST driver in RAID
// mode, which answers none of the standard requests for it. The driver
// passes NVMe commands on when they are sent to its SCSI port (\\.\ScsiN:)
// with IOCTL_SCSI_MINIPORT, as CSMI requests are (csmi.h): one buffer that
// the driver fills in place, the SRB_IO_CONTROL header with the signature
// "IntelNvm", the pass-through parameters, then the data. Numbers are
// little-endian.

// CTL_CODE(0xF000, 0xA02, METHOD_BUFFERED, FILE_ANY_ACCESS).
constexpr std::uint32_t kRstNvmeControlCode = 0xF0002808;

// After the header: Version (1), PathId (the drive's, from its
// IOCTL_SCSI_GET_ADDRESS), TargetId and Lun (reserved, zero), one byte each;
// the 64-byte NVMe command; the queue select and the 16-byte completion the
// driver fills; DataBufferOffset (counted from the start of the header) and
// DataBufferLength; 40 reserved bytes; the data.
//
// The published layouts agree on every field the request sets, but not on
// where the completion starts: at 96, followed by a 4-byte queue select; or
// at 100, after a 1-byte queue select at 96 padded to 4. The request leaves
// all of 96 to 115 zero (the admin queue), and the reply's status is read in
// both places: what the other place holds is then zero as well, the queue
// select as sent or, for an admin command, the submission queue's id.
constexpr std::size_t kRstNvmeVersionField = kSrbIoControlSize; // 28
constexpr std::size_t kRstNvmePathIdField = 29;
constexpr std::size_t kRstNvmeCommand = 32;
constexpr std::size_t kRstNvmeCommandSize = 64;
constexpr std::size_t kRstNvmeCompletionAt96 = 96;
constexpr std::size_t kRstNvmeCompletionAt100 = 100;
constexpr std::size_t kRstNvmeCompletionSize = 16;
constexpr std::size_t kRstNvmeDataOffsetField = 116;
constexpr std::size_t kRstNvmeDataLengthField = 120;
constexpr std::size_t kRstNvmeReservedSize = 40;
constexpr std::size_t kRstNvmeData = 164;
constexpr std::size_t kRstNvmeBufferSize = kRstNvmeData + kNvmeIdentifySize;
constexpr unsigned char kRstNvmeVersion = 1;
static_assert(kRstNvmeCommand == kRstNvmeVersionField + 4, "four address bytes");
static_assert(kRstNvmeCompletionAt96 == kRstNvmeCommand + kRstNvmeCommandSize, "command");
static_assert(kRstNvmeCompletionAt100 + kRstNvmeCompletionSize == kRstNvmeDataOffsetField,
              "completion");
static_assert(kRstNvmeData == kRstNvmeDataLengthField + 4 + kRstNvmeReservedSize, "reserved");

// In the 64-byte command: the opcode in dword 0's low byte, CNS in dword 10.
// In a completion: the status field, bits 31-17 of dword 3 (bit 16 is the
// phase tag, whatever the outcome).
constexpr std::size_t kNvmeCommandCdw10 = 40;
constexpr std::size_t kNvmeCompletionDword3 = 12;
constexpr std::uint32_t kNvmeStatusFieldMask = 0xFFFE0000;

// The whole in/out buffer of Identify Controller to the drive on `pathId` of
// the port, its data zeroed. No other command is ever built.
std::vector<unsigned char> RstNvmeIdentifyRequest(unsigned char pathId);

// Reads a reply: the `size`-byte buffer of which the driver filled
// `returned` bytes. True when the bytes returned, within the buffer, reach
// the end of the page, the completion's status field is zero and the page is
// not all zero; `page` then holds it. The header's ReturnCode is not read:
// it is documented as 0 on success in one place and as SRB_STATUS_SUCCESS (1)
// in another.
bool ReadRstNvmeIdentify(const unsigned char* buffer, std::size_t size, std::size_t returned,
                         NvmeIdentifyPage& page);
