#include "identify/nvme_identify.h"

#include "platform/little_endian.h"

namespace {

constexpr std::size_t kSerialStart = 4;
constexpr std::size_t kSerialSize = 20;
constexpr std::size_t kModelStart = 24;
constexpr std::size_t kModelSize = 40;
constexpr std::size_t kFirmwareStart = 64;
constexpr std::size_t kFirmwareSize = 8;

std::uint32_t Field(const unsigned char* reply, std::size_t at)
{
    return ReadLittleEndian32(reply + at);
}

void NvmeText(const NvmeIdentifyPage& page, std::size_t start, std::size_t size,
              IdentifyTextBuffer& out)
{
    std::size_t length = 0;
    while (length < size && page[start + length] != 0) {
        out[length] = static_cast<char>(page[start + length]);
        ++length;
    }
    while (length > 0 && out[length - 1] == ' ')
        --length;
    out[length] = '\0';
}

} // namespace

NvmePagePlace FindNvmePage(const unsigned char* reply, std::size_t bufferSize, std::size_t returned)
{
    const std::size_t end = returned < bufferSize ? returned : bufferSize;
    if (end < kProtocolDataDescriptorSize || Field(reply, 0) != kProtocolDataDescriptorSize ||
        Field(reply, 4) != kProtocolDataDescriptorSize)
        return {};
    const std::uint32_t offset = Field(reply, kProtocolDataOffsetField);
    if (offset < kProtocolRequestSize || offset >= end - kProtocolRequestField)
        return {};
    NvmePagePlace place;
    place.start = kProtocolRequestField + offset;
    place.size = end - place.start;
    const std::uint32_t claimed = Field(reply, kProtocolDataLengthField);
    if (claimed < place.size)
        place.size = claimed;
    if (kNvmeIdentifySize < place.size)
        place.size = kNvmeIdentifySize;
    return place;
}

void MakeNvmeDrive(const NvmeIdentifyPage& page, DriveRecord& drive)
{
    IdentifyTextBuffer text;
    NvmeText(page, kModelStart, kModelSize, text);
    drive.model = text;
    NvmeText(page, kFirmwareStart, kFirmwareSize, text);
    drive.revision = text;
    NvmeText(page, kSerialStart, kSerialSize, text);
    TrimSpaces(text);
    drive.serial = text;
}
