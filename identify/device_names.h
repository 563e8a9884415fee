#pragma once

#include <string>
#include <vector>

// The numbers N of the names `prefix`N`suffix` among `names` (the system's
// device names, "PhysicalDrive12", "Scsi3:"), ascending and each once: N in
// decimal without leading zeros, as the scan writes a device's path, and at
// most 999999. Any other name is left out.
std::vector<int> NumbersOfNames(const std::vector<std::string>& names, const std::string& prefix,
                                const std::string& suffix);
