#pragma once

#include "identify/identify_text.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The NVMe Identify Controller page and the storage query reply that
// carries it.

constexpr std::size_t kNvmeIdentifySize = 4096;
using NvmeIdentifyPage = std::array<unsigned char, kNvmeIdentifySize>;

// The reply: a protocol data descriptor (version, size, then the protocol
// request as sent, with the page's offset and length filled in), then the
// page. Fields are little-endian 32-bit numbers; the page's offset counts
// from the start of the protocol request, not of the reply.
constexpr std::size_t kProtocolDataDescriptorSize = 48;
constexpr std::size_t kProtocolRequestField = 8;
constexpr std::size_t kProtocolRequestSize = 40;
constexpr std::size_t kProtocolDataOffsetField = kProtocolRequestField + 16;
constexpr std::size_t kProtocolDataLengthField = kProtocolRequestField + 20;

// Where the page starts in the reply and how many of its bytes are there:
// the length the reply claims, cut to the bytes the driver returned and to
// the buffer, at most one page. Zero bytes when the reply does not start
// with a descriptor of the expected version and size, or when the page would
// overlap it.
struct NvmePagePlace {
    std::size_t start = 0;
    std::size_t size = 0;
};
NvmePagePlace FindNvmePage(const unsigned char* reply, std::size_t bufferSize,
                           std::size_t returned);

// Writes a drive's texts from an Identify Controller page: serial number bytes
// 4-23, model 24-63, firmware 64-71, plain ASCII. Each text ends at its
// field's end or first zero byte and loses its trailing spaces; the serial
// loses its leading spaces too, as an ATA serial does.
void MakeNvmeDrive(const NvmeIdentifyPage& page, DriveRecord& drive);
