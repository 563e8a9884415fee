#include "identify/identify_reply.h"

#include <cstring>

namespace {

void MakeAtaDrive(const IdentifyReply& reply, DriveRecord& drive)
{
    unsigned char sector[kIdentifySectorSize];
    std::memcpy(sector, reply.bytes.data(), sizeof sector);
    MakeIdentifyDrive(IdentifyWordsFromBytes(sector), drive);
}

bool IsWholeAndNotZero(const IdentifyReply& reply, std::size_t wanted)
{
    return reply.size == wanted && !IsAllZero(reply.bytes.data(), wanted);
}

// How a recording and the report name a request, and how a line names it.
struct RequestTexts {
    const char* key;
    const char* name;
};

RequestTexts TextsOf(IdentifyRequest request)
{
    switch (request) {
    case IdentifyRequest::Smart:
        return {"smart", "the SMART identify"};
    case IdentifyRequest::Sat16:
        return {"sat16", "ATA PASS-THROUGH (16)"};
    case IdentifyRequest::Sat12:
        return {"sat12", "ATA PASS-THROUGH (12)"};
    case IdentifyRequest::Nvme:
        return {"nvme", "the NVMe Identify Controller query"};
    case IdentifyRequest::JMicronAta:
        return {"jmicron-ata", "the JMicron ATA pass-through"};
    case IdentifyRequest::CypressAta:
        return {"cypress-ata", "the Cypress ATACB pass-through"};
    case IdentifyRequest::SunplusAta:
        return {"sunplus-ata", "the Sunplus ATA pass-through"};
    case IdentifyRequest::ProlificAta:
        return {"prolific-ata", "the Prolific ATA pass-through"};
    case IdentifyRequest::JMicronNvme:
        return {"jmicron-nvme", "the JMicron NVMe pass-through"};
    case IdentifyRequest::AsmediaNvme:
        return {"asmedia-nvme", "the ASMedia NVMe pass-through"};
    case IdentifyRequest::RealtekNvme:
        return {"realtek-nvme", "the Realtek NVMe pass-through"};
    case IdentifyRequest::Csmi:
        return {"csmi", "the CSMI STP pass-through"};
    case IdentifyRequest::RstNvme:
        return {"rst-nvme", "Intel's NVMe pass-through"};
    }
    return {"", "a request"};
}

// Each bridge protocol and the request that speaks it.
const struct {
    BridgeProtocol protocol;
    IdentifyRequest request;
} kBridgeRequests[] = {
    {BridgeProtocol::JMicronAta, IdentifyRequest::JMicronAta},
    {BridgeProtocol::CypressAta, IdentifyRequest::CypressAta},
    {BridgeProtocol::SunplusAta, IdentifyRequest::SunplusAta},
    {BridgeProtocol::ProlificAta, IdentifyRequest::ProlificAta},
    {BridgeProtocol::JMicronNvme, IdentifyRequest::JMicronNvme},
    {BridgeProtocol::AsmediaNvme, IdentifyRequest::AsmediaNvme},
    {BridgeProtocol::RealtekNvme, IdentifyRequest::RealtekNvme},
};

bool IsBlank(const std::string& text)
{
    for (char c : text)
        if (c != ' ' && (c < '\t' || c > '\r'))
            return false;
    return true;
}

// A drive whose texts are all blank gave no identity, whatever said it answered.
bool NamesTheDrive(const DriveRecord& drive)
{
    return !IsBlank(drive.model) || !IsBlank(drive.serial) || !IsBlank(drive.revision);
}

} // namespace

bool AsksForAPage(IdentifyRequest request)
{
    return request == IdentifyRequest::Nvme || request == IdentifyRequest::RstNvme ||
           IsNvmeBridge(BridgeProtocolOf(request));
}

BridgeProtocol BridgeProtocolOf(IdentifyRequest request)
{
    for (const auto& pair : kBridgeRequests)
        if (pair.request == request)
            return pair.protocol;
    return BridgeProtocol::None;
}

bool BridgeRequest(BridgeProtocol protocol, IdentifyRequest& request)
{
    for (const auto& pair : kBridgeRequests)
        if (pair.protocol == protocol) {
            request = pair.request;
            return true;
        }
    return false;
}

std::string RequestKey(IdentifyRequest request)
{
    return TextsOf(request).key;
}

std::string RequestName(IdentifyRequest request)
{
    return TextsOf(request).name;
}

std::string ReplyFileName(IdentifyRequest request)
{
    return RequestKey(request) + ".bin";
}

std::string SilentFileName(IdentifyRequest request)
{
    return RequestKey(request) + ".hang";
}

bool IsAllZero(const unsigned char* bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

bool MakeReplyDrive(IdentifyRequest request, const IdentifyReply& reply, DriveRecord& drive)
{
    DriveRecord read;
    if (AsksForAPage(request)) {
        if (!IsWholeAndNotZero(reply, kNvmeIdentifySize))
            return false;
        MakeNvmeDrive(reply.bytes, read);
        if (IsNvmeBridge(BridgeProtocolOf(request)) && read.model.empty())
            return false;
    } else {
        if (!IsWholeAndNotZero(reply, kIdentifySectorSize))
            return false;
        MakeAtaDrive(reply, read);
    }
    if (!NamesTheDrive(read))
        return false;
    drive.model = read.model;
    drive.serial = read.serial;
    drive.revision = read.revision;
    return true;
}
