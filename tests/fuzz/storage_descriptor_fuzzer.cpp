#include "discovery/storage_descriptor.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

// The first four bytes are the byte count the driver reports; the rest is the
// reply, in a buffer of exactly its size so that any read past it is caught.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::uint32_t returned;
    std::memcpy(&returned, data, 4);
    const std::vector<unsigned char> reply(data + 4, data + size);
    DriveRecord drive;
    if (ReadStorageDescriptor(reply.data(), reply.size(), returned, drive) &&
        (drive.model.size() > reply.size() || drive.revision.size() > reply.size() ||
         drive.serial.size() > reply.size()))
        std::abort();
    return 0;
}
