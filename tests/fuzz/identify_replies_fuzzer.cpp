#include "identify/ata_pass_through.h"
#include "identify/identify_reply.h"
#include "identify/nvme_identify.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// The first four bytes are the byte count the driver reports, the fifth the
// SCSI status; the rest is both the sense data of a pass-through reply and a
// whole NVMe query reply, each in a buffer of exactly its size so that any
// read past it is caught. Whatever page is found goes through the row rules.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    std::uint32_t returned;
    std::memcpy(&returned, data, 4);
    const std::vector<unsigned char> body(data + 5, data + size);
    SatReplyShowsNoError(data[4], body.data(), body.size());

    const NvmePagePlace page = FindNvmePage(body.data(), body.size(), returned);
    if (page.size > kNvmeIdentifySize || page.start + page.size > body.size())
        std::abort();
    IdentifyReply reply;
    if (page.size > 0)
        std::memcpy(reply.bytes.data(), body.data() + page.start, page.size);
    reply.size = page.size;
    DriveRecord drive;
    for (IdentifyRequest request : kIdentifyRequests)
        MakeReplyDrive(request, reply, drive);
    return 0;
}
