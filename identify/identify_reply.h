#pragma once

#include "identify/identify_text.h"
#include "identify/nvme_identify.h"
#include "identify/usb_bridge.h"

#include <cstddef>
#include <string>

// The requests that may give a drive's identity. Every drive is asked the
// SMART identify, then, when it refuses it, ATA PASS-THROUGH (16) and (12)
// with IDENTIFY DEVICE, then the NVMe Identify Controller query
// (kIdentifyRequests); a drive behind a USB bridge that the scan knows, and
// that answered none of those, is asked through the bridge's own command; a
// SATA drive behind a RAID driver through its CSMI STP pass-through; a drive
// on a port of Intel's RAID driver that answered nothing else through that
// driver's NVMe pass-through.
enum class IdentifyRequest {
    Smart,
    Sat16,
    Sat12,
    Nvme,
    JMicronAta,
    CypressAta,
    SunplusAta,
    ProlificAta,
    JMicronNvme,
    AsmediaNvme,
    RealtekNvme,
    Csmi,
    RstNvme,
};
constexpr IdentifyRequest kIdentifyRequests[] = {IdentifyRequest::Smart, IdentifyRequest::Sat16,
                                                 IdentifyRequest::Sat12, IdentifyRequest::Nvme};

// The name a recording and the report give `request` ("smart", "jmicron-ata"),
// and the name a line tells the user ("the SMART identify").
std::string RequestKey(IdentifyRequest request);
std::string RequestName(IdentifyRequest request);

// The bridge protocol a request speaks (None for the others), and the request
// that speaks `protocol` (false for None).
BridgeProtocol BridgeProtocolOf(IdentifyRequest request);
bool BridgeRequest(BridgeProtocol protocol, IdentifyRequest& request);

// The data one request returned: its first `size` bytes, never more than
// the driver said it returned.
struct IdentifyReply {
    NvmeIdentifyPage bytes{}; // room for the largest reply, the NVMe page
    std::size_t size = 0;
};

// The name of the file a recording keeps the reply to `request` in, and of
// the one that marks it as never answered.
std::string ReplyFileName(IdentifyRequest request);
std::string SilentFileName(IdentifyRequest request);

// Whether each of the `size` bytes is zero (true for no bytes).
bool IsAllZero(const unsigned char* bytes, std::size_t size);

// Builds the drive a reply describes. A reply gives one only when it is
// whole (the 512-byte sector of IDENTIFY DEVICE, the 4,096-byte page of
// Identify Controller for the NVMe requests), not all zero, and names the
// drive: a model, serial and firmware that are all blank are no identity. A
// bridge's page must name a model too, as some answer with an empty page when
// a SATA drive sits behind them. Returns false, leaving `drive` alone, when
// the reply gives no drive.
bool MakeReplyDrive(IdentifyRequest request, const IdentifyReply& reply, DriveRecord& drive);

// Whether the request reads an NVMe Identify Controller page.
bool AsksForAPage(IdentifyRequest request);
