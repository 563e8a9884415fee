#include "discovery/storage_descriptor.h"

#include "discovery/device_id.h"

#include <algorithm>

std::uint32_t DescriptorField(const unsigned char* reply, std::size_t replySize, std::size_t field)
{
    if (replySize < 4 || field > replySize - 4)
        return 0;
    return static_cast<std::uint32_t>(reply[field]) |
           static_cast<std::uint32_t>(reply[field + 1]) << 8 |
           static_cast<std::uint32_t>(reply[field + 2]) << 16 |
           static_cast<std::uint32_t>(reply[field + 3]) << 24;
}

std::string DescriptorText(const unsigned char* reply, std::size_t replySize,
                           std::size_t bytesReturned, std::uint32_t offset)
{
    // The offsets come from the device through its driver: compare them as
    // numbers with what was really returned, never as pointers.
    const std::size_t valid = std::min(bytesReturned, replySize);
    if (offset == 0 || offset >= valid)
        return {};
    const unsigned char* first = reply + offset;
    const unsigned char* last = std::find(first, reply + valid, 0);
    return std::string(first, last);
}

bool ReadStorageDescriptor(const unsigned char* reply, std::size_t replySize,
                           std::size_t bytesReturned, DriveRecord& drive)
{
    // The bus is read from the whole buffer, which is zeroed before each
    // request: a reply too short to reach it reads bus 0 and is skipped.
    if (DescriptorField(reply, replySize, kBusTypeField) != kBusTypeUsb)
        return false;
    const std::uint32_t vendorOffset = DescriptorField(reply, replySize, kVendorIdOffsetField);
    if (vendorOffset == 0 ||
        !IsKnownVendorName(DescriptorText(reply, replySize, bytesReturned, vendorOffset)))
        return false;

    auto text = [&](std::size_t field) {
        return DescriptorText(reply, replySize, bytesReturned,
                              DescriptorField(reply, replySize, field));
    };
    drive.model = text(kProductIdOffsetField);
    drive.serial = text(kSerialNumberOffsetField);
    drive.revision = text(kRevisionOffsetField);
    UnderscoresToSpaces(drive.model);
    CleanSerial(drive.serial);
    return true;
}
