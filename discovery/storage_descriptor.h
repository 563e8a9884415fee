#pragma once

#include "discovery/drive_record.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The reply buffer for a storage device descriptor query.
constexpr std::size_t kDescriptorReplySize = 10000;

// The fields of a storage device descriptor reply that discovery reads:
// little-endian 32-bit offsets from the start of the reply, and the bus.
constexpr std::size_t kVendorIdOffsetField = 12;
constexpr std::size_t kProductIdOffsetField = 16;
constexpr std::size_t kRevisionOffsetField = 20;
constexpr std::size_t kSerialNumberOffsetField = 24;
constexpr std::size_t kBusTypeField = 28;
constexpr std::uint32_t kBusTypeUsb = 7;

// The little-endian 32-bit number at `field` of the reply; 0 when the reply
// is too short to hold it.
std::uint32_t DescriptorField(const unsigned char* reply, std::size_t replySize, std::size_t field);

// The text that starts `offset` bytes into the reply, up to its first NUL or
// the end of the valid bytes (the lesser of `bytesReturned` and `replySize`),
// whichever comes first. Empty when the offset is 0 or not below that end.
std::string DescriptorText(const unsigned char* reply, std::size_t replySize,
                           std::size_t bytesReturned, std::uint32_t offset);

// Reads a descriptor reply. Returns true, with the texts of `drive` filled in, when the
// reply describes a USB device whose vendor is a known brand; the model has
// its underscores turned to spaces and the serial is cleaned, the revision is
// kept as it is. Returns false, leaving `drive` alone, for any other reply.
bool ReadStorageDescriptor(const unsigned char* reply, std::size_t replySize,
                           std::size_t bytesReturned, DriveRecord& drive);
