#include "discovery/volume_paths.h"

namespace {
constexpr char kVolumePrefix[] = "\\\\?\\";
constexpr std::size_t kRootStringSize = 4;
} // namespace

std::vector<std::string> VolumePaths(const char* roots, std::size_t length, std::size_t capacity)
{
    std::vector<std::string> paths;
    if (length == 0 || capacity == 0 || length > capacity - 1)
        return paths;
    for (std::size_t at = 0; at < length; at += kRootStringSize)
        paths.push_back(std::string(kVolumePrefix) + roots[at] + ':');
    return paths;
}
