#pragma once

#include <cstddef>
#include <string>

// `bytes` as the WHATWG Encoding Standard's UTF-8 decoder reads them, written
// back as UTF-8: each longest run that begins a character but is not one, or
// a byte that begins none, becomes U+FFFD. UTF-8 comes back unchanged.
inline std::string Utf8Decoded(const std::string& bytes)
{
    std::string out;
    for (std::size_t at = 0, taken = 1; at < bytes.size(); at += taken) {
        const unsigned lead = static_cast<unsigned char>(bytes[at]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        // Some leads narrow the next byte: no overlong form, surrogate or
        // value above U+10FFFF.
        unsigned lower = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned upper = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        for (taken = 1; taken < length && at + taken < bytes.size(); ++taken) {
            const unsigned next = static_cast<unsigned char>(bytes[at + taken]);
            if (next < lower || next > upper)
                break;
            lower = 0x80;
            upper = 0xBF;
        }
        if (taken == length)
            out.append(bytes, at, length);
        else
            out += "\xEF\xBF\xBD";
    }
    return out;
}

inline bool IsUtf8(const std::string& bytes)
{
    return Utf8Decoded(bytes) == bytes;
}
