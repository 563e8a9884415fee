#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The volume paths ("\\?\X:") named by the root strings that
// GetLogicalDriveStringsA wrote into `roots`: `length` is what the call
// returned and `capacity` the buffer's size in characters. Each root string
// is four bytes ("X:\" and a NUL). A length of 0, or one that the buffer
// could not hold (the call then reports the size it needs), gives no paths.
std::vector<std::string> VolumePaths(const char* roots, std::size_t length, std::size_t capacity);
