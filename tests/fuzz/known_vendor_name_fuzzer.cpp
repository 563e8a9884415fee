#include "discovery/device_id.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// Reference: the first word equals a brand name, ignoring ASCII case.
static bool NamesABrand(const std::string& vendor)
{
    const std::string word = vendor.substr(0, vendor.find(' '));
    for (const char* name : {"corvane", "pellum", "ordix", "brevond"}) {
        const std::string brand(name);
        if (word.size() != brand.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < word.size() && same; ++i) {
            const unsigned char c = static_cast<unsigned char>(word[i]);
            same =
                (c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) == static_cast<unsigned char>(brand[i]);
        }
        if (same)
            return true;
    }
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string vendor(reinterpret_cast<const char*>(data), size);
    if (IsKnownVendorName(vendor) != NamesABrand(vendor))
        std::abort();
    return 0;
}
