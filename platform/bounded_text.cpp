#include "platform/bounded_text.h"

std::size_t CopyText(char* dst, std::size_t capacity, const char* src)
{
    if (capacity == 0)
        return 0;
    dst[0] = '\0';
    return AppendText(dst, capacity, src);
}

std::size_t AppendText(char* dst, std::size_t capacity, const char* src)
{
    if (capacity == 0)
        return 0;
    std::size_t length = 0;
    while (length < capacity - 1 && dst[length] != '\0')
        ++length;
    while (length < capacity - 1 && *src != '\0')
        dst[length++] = *src++;
    dst[length] = '\0';
    return length;
}

std::size_t CopyOneLine(char* dst, std::size_t capacity, const char* src)
{
    const std::size_t length = CopyText(dst, capacity, src);
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(dst[i]);
        if (byte < 0x20 || byte == 0x7F)
            dst[i] = ' ';
    }
    return length;
}
