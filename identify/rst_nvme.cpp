#include "identify/rst_nvme.h"

#include "platform/little_endian.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kSignature[] = "IntelNvm";
static_assert(sizeof kSignature - 1 == kSrbSignatureSize, "signature fills the field");

constexpr unsigned char kIdentifyOpcode = 0x06;
constexpr std::uint32_t kCnsController = 1;

// The bytes of a reply that may be read: those the driver returned, within
// the buffer.
std::size_t ReplyEnd(std::size_t size, std::size_t returned)
{
    return returned < size ? returned : size;
}

bool StatusFieldIsZero(const unsigned char* completion)
{
    return (ReadLittleEndian32(completion + kNvmeCompletionDword3) & kNvmeStatusFieldMask) == 0;
}

} // namespace

std::vector<unsigned char> RstNvmeIdentifyRequest(unsigned char pathId)
{
    std::vector<unsigned char> buffer(kRstNvmeBufferSize, 0);
    WriteLittleEndian32(&buffer[kSrbHeaderLengthField], kSrbIoControlSize);
    std::memcpy(&buffer[kSrbSignatureField], kSignature, kSrbSignatureSize);
    WriteLittleEndian32(&buffer[kSrbTimeoutField], kCsmiTimeoutSeconds);
    WriteLittleEndian32(&buffer[kSrbControlCodeField], kRstNvmeControlCode);
    WriteLittleEndian32(&buffer[kSrbLengthField],
                        static_cast<std::uint32_t>(kRstNvmeBufferSize - kSrbIoControlSize));
    buffer[kRstNvmeVersionField] = kRstNvmeVersion;
    buffer[kRstNvmePathIdField] = pathId;
    unsigned char* command = &buffer[kRstNvmeCommand];
    command[0] = kIdentifyOpcode;
    WriteLittleEndian32(command + kNvmeCommandCdw10, kCnsController);
    WriteLittleEndian32(&buffer[kRstNvmeDataOffsetField], kRstNvmeData);
    WriteLittleEndian32(&buffer[kRstNvmeDataLengthField], kNvmeIdentifySize);
    return buffer;
}

bool ReadRstNvmeIdentify(const unsigned char* buffer, std::size_t size, std::size_t returned,
                         NvmeIdentifyPage& page)
{
    if (buffer == nullptr || ReplyEnd(size, returned) < kRstNvmeBufferSize ||
        !StatusFieldIsZero(buffer + kRstNvmeCompletionAt96) ||
        !StatusFieldIsZero(buffer + kRstNvmeCompletionAt100))
        return false;
    const unsigned char* data = buffer + kRstNvmeData;
    if (std::all_of(data, data + kNvmeIdentifySize, [](unsigned char b) { return b == 0; }))
        return false;
    std::copy(data, data + kNvmeIdentifySize, page.begin());
    return true;
}
