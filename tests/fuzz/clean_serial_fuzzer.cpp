#include "discovery/device_id.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string text = input;
    CleanSerial(text);
    if (text == "N/A")
        return 0;
    // Clean-up only ever cuts characters off the ends.
    if (text.size() > input.size() || input.find(text) == std::string::npos)
        std::abort();

    std::string spaced = input;
    UnderscoresToSpaces(spaced);
    if (spaced.size() != input.size() || spaced.find('_') != std::string::npos)
        std::abort();
    return 0;
}
