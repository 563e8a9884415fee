#include "discovery/volume_or_registry.h"

namespace {
constexpr unsigned long kPlatformNt = 2;
}

bool UseVolumeQuery(unsigned long platformId, unsigned long major, unsigned long minor)
{
    // Major and minor are compared separately on purpose: Windows 7 to 8.1
    // report 6.1 to 6.3 and use volumes; 6.0 and 10.0 use the registry.
    return platformId == kPlatformNt && major >= 6 && minor >= 1;
}
