#pragma once

#include <array>
#include <string>
#include <string_view>

// Models for which the maker has released a firmware update.
extern const std::array<std::string_view, 39> kAffectedModels;

// Firmware revisions that already carry the fix. Entries 16 and 17 are the
// same revision, as the maker's list has it; the repeat changes no answer.
extern const std::array<std::string_view, 19> kFixedFirmware;

// Whole-text, case-sensitive lookups: no trimming, no case folding, no prefix
// matching. The empty text is in neither table.
bool IsAffectedModel(std::string model);
bool IsFixedFirmware(std::string revision);
