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

} // namespace

const char* ReplyFileName(IdentifyRequest request)
{
    switch (request) {
    case IdentifyRequest::Smart:
        return "smart.bin";
    case IdentifyRequest::Sat16:
        return "sat16.bin";
    case IdentifyRequest::Sat12:
        return "sat12.bin";
    case IdentifyRequest::Nvme:
        return "nvme.bin";
    }
    return "";
}

const char* SilentFileName(IdentifyRequest request)
{
    switch (request) {
    case IdentifyRequest::Smart:
        return "smart.hang";
    case IdentifyRequest::Sat16:
        return "sat16.hang";
    case IdentifyRequest::Sat12:
        return "sat12.hang";
    case IdentifyRequest::Nvme:
        return "nvme.hang";
    }
    return "";
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
