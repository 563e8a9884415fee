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

// How a recording names a request's files, and how a line names the request.
struct RequestTexts {
    const char* fileStem;
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
    }
    return {"", "a request"};
}

} // namespace

std::string ReplyFileName(IdentifyRequest request)
{
    return std::string(TextsOf(request).fileStem) + ".bin";
}

std::string SilentFileName(IdentifyRequest request)
{
    return std::string(TextsOf(request).fileStem) + ".hang";
}

std::string SilentRequestLine(const SilentRequest& silent, unsigned deadlineMs)
{
    return "warning: \\\\.\\PhysicalDrive" + std::to_string(silent.index) + " did not answer " +
           TextsOf(silent.request).name + " within " + std::to_string(deadlineMs / 1000) +
           " seconds; the drive was given up";
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
    switch (request) {
    case IdentifyRequest::Smart:
        MakeAtaDrive(reply, drive);
        return true;
    case IdentifyRequest::Sat16:
    case IdentifyRequest::Sat12:
        if (!IsWholeAndNotZero(reply, kIdentifySectorSize))
            return false;
        MakeAtaDrive(reply, drive);
        return true;
    case IdentifyRequest::Nvme:
        if (!IsWholeAndNotZero(reply, kNvmeIdentifySize))
            return false;
        MakeNvmeDrive(reply.bytes, drive);
        return true;
    }
    return false;
}
