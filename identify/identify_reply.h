#pragma once

#include "identify/identify_text.h"
#include "identify/nvme_identify.h"

#include <cstddef>
#include <string>

// The requests the identify scan sends a drive, in the order it tries them:
// the SMART identify, then for drives that refuse it ATA PASS-THROUGH (16)
// and (12) with IDENTIFY DEVICE, then the NVMe Identify Controller query.
enum class IdentifyRequest { Smart, Sat16, Sat12, Nvme };
constexpr IdentifyRequest kIdentifyRequests[] = {IdentifyRequest::Smart, IdentifyRequest::Sat16,
                                                 IdentifyRequest::Sat12, IdentifyRequest::Nvme};

// The data one request returned: its first `size` bytes, never more than
// the driver said it returned.
struct IdentifyReply {
    NvmeIdentifyPage bytes{}; // room for the largest reply, the NVMe page
    std::size_t size = 0;
};

// The name of the file a recording keeps the reply to `request` in.
std::string ReplyFileName(IdentifyRequest request);

// A request that a drive did not answer in time; the scan asks that drive
// nothing more.
struct SilentRequest {
    int index; // the physical drive's
    IdentifyRequest request;
};

// The name of the file a recording marks a silent `request` with.
std::string SilentFileName(IdentifyRequest request);

// One line telling the user of `silent`: the drive, the request and the
// deadline it missed.
std::string SilentRequestLine(const SilentRequest& silent, unsigned deadlineMs);

// Whether each of the `size` bytes is zero (true for no bytes).
bool IsAllZero(const unsigned char* bytes, std::size_t size);

// Builds the drive a reply describes. A SMART reply always gives one, from
// its first 512 bytes, as it always has. A pass-through reply needs a whole
// sector, an NVMe reply a whole page, and neither may be all zero. Returns
// false, leaving `drive` alone, when the reply gives no drive.
bool MakeReplyDrive(IdentifyRequest request, const IdentifyReply& reply, DriveRecord& drive);
