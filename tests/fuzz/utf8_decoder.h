#pragma once

#include <cstddef>
#include <string>

// `bytes` as the WHATWG Encoding Standard's UTF-8 decoder reads them, written
// back as UTF-8: each longest run that begins a character but is not one, or
// a byte that begins none, becomes U+FFFD. UTF-8 comes back unchanged.
inline std::string Utf8Decoded(const std::string& bytes)
{
    const std::string replacement = "\xEF\xBF\xBD";
    std::string out;
    std::size_t needed = 0; // continuation bytes still to come
    std::size_t start = 0;  // where the character being read began
    unsigned lower = 0x80;
    unsigned upper = 0xBF;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned byte = static_cast<unsigned char>(bytes[i]);
        if (needed == 0) {
            start = i;
            if (byte <= 0x7F) {
                out += bytes[i];
            } else if (byte >= 0xC2 && byte <= 0xDF) {
                needed = 1;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                lower = byte == 0xE0 ? 0xA0 : 0x80;
                upper = byte == 0xED ? 0x9F : 0xBF;
                needed = 2;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                lower = byte == 0xF0 ? 0x90 : 0x80;
                upper = byte == 0xF4 ? 0x8F : 0xBF;
                needed = 3;
            } else {
                out += replacement;
            }
            continue;
        }
        if (byte < lower || byte > upper) {
            out += replacement;
            needed = 0;
            lower = 0x80;
            upper = 0xBF;
            --i; // the byte begins the next character
            continue;
        }
        lower = 0x80;
        upper = 0xBF;
        if (--needed == 0)
            out.append(bytes, start, i - start + 1);
    }
    if (needed > 0)
        out += replacement;
    return out;
}

inline bool IsUtf8(const std::string& bytes)
{
    return Utf8Decoded(bytes) == bytes;
}
