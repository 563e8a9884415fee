#include "rows/serial_text.h"

bool IsValidSerialText(char* text)
{
    for (char* c = text; *c != '\0'; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte >= 'a' && byte <= 'z')
            *c = static_cast<char>(byte - 32);
        const unsigned char upper = static_cast<unsigned char>(*c);
        const bool digit = upper >= '0' && upper <= '9';
        const bool capital = upper >= 'A' && upper <= 'Z';
        if (!digit && !capital)
            return false;
    }
    return true;
}
