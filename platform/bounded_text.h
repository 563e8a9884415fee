#pragma once

#include <cstddef>

// Copy and append into fixed byte buffers of `capacity` bytes. Both always
// leave `dst` terminated, never write past `capacity` bytes, and cut what
// does not fit. They return the length of the text now in `dst`.
std::size_t CopyText(char* dst, std::size_t capacity, const char* src);
std::size_t AppendText(char* dst, std::size_t capacity, const char* src);

// Copies `src` as one line: each control character (a line break, a tab)
// becomes a space, so that a text from anywhere, an exception's say, cannot
// break a line it is put in. As CopyText, it cuts what does not fit.
std::size_t CopyOneLine(char* dst, std::size_t capacity, const char* src);
