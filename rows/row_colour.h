#pragma once

#include <cstdint>
#include <string>

// Text colours of the drive list's rows, as COLORREF values (0x00BBGGRR).
constexpr std::uint32_t kGreenText = 0x00008000; // nothing to do for this drive
constexpr std::uint32_t kRedText = 0x000000FF;   // a firmware update is due

// Red for an affected model whose revision is not a fixed one; green for
// every other drive.
std::uint32_t RowTextColour(const std::string& model, const std::string& revision);
