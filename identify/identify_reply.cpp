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

// The name a recording gives the files of a request.
const char* FileStem(IdentifyRequest request)
{
    switch (request) {
    case IdentifyRequest::Smart:
        return "smart";
    case IdentifyRequest::Sat16:
        return "sat16";
    case IdentifyRequest::Sat12:
        return "sat12";
    case IdentifyRequest::Nvme:
        return "nvme";
    }
    return "";
}

} // namespace

std::string ReplyFileName(IdentifyRequest request)
{
    return std::string(FileStem(request)) + ".bin";
}

std::string SilentFileName(IdentifyRequest request)
{
    return std::string(FileStem(request)) + ".hang";
}

namespace {

const char* RequestName(IdentifyRequest request)
{
    switch (request) {
    case IdentifyRequest::Smart:
        return "the SMART identify";
    case IdentifyRequest::Sat16:
        return "ATA PASS-THROUGH (16)";
    case IdentifyRequest::Sat12:
        return "ATA PASS-THROUGH (12)";
    case IdentifyRequest::Nvme:
        return "the NVMe Identify Controller query";
    }
    return "a request";
}

} // namespace

std::string SilentRequestLine(const SilentRequest& silent, unsigned deadlineMs)
{
    return "warning: \\\\.\\PhysicalDrive" + std::to_string(silent.index) + " did not answer " +
           RequestName(silent.request) + " within " + std::to_string(deadlineMs / 1000) +
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
