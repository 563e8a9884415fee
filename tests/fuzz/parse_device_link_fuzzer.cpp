#include "discovery/device_id.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string link(reinterpret_cast<const char*>(data), size);
    DriveRecord drive{"\x01", "\x01", "\x01"};
    // The parse never needs its guard: reaching it is a finding.
    if (!ParseDeviceLink(link, drive))
        std::abort();
    const std::string& model = drive.model;
    const std::string& serial = drive.serial;
    const std::string& revision = drive.revision;

    if (!HasVendorToken(link)) {
        if (model != "\x01" || serial != "\x01" || revision != "\x01")
            std::abort();
        return 0;
    }
    // A field never runs over the separators that end it.
    if (model != "\x01" && model.find_first_of("&#_") != std::string::npos)
        std::abort();
    if (serial.find('#') != std::string::npos || revision.find('#') != std::string::npos)
        std::abort();
    if (serial.size() > link.size() || revision.size() > link.size())
        std::abort();
    return 0;
}
