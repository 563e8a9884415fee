#pragma once

#include <cstddef>

// Writes the full name `directory\name` of a library into `dst` (`capacity`
// bytes) and returns true. Returns false, leaving `dst` empty when it has
// room, when the directory or the name is empty or the whole does not fit:
// a bare or cut name would be searched for, and could be found anywhere.
bool JoinLibraryPath(char* dst, std::size_t capacity, const char* directory, const char* name);
