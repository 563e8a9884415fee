#include "identify/identify_text.h"

#include <cstring>

namespace {

// The C locale's white space, tested on the byte value: a byte of 0x80 or
// above is never white space, whatever the locale.
bool IsWhiteSpace(unsigned char c)
{
    return c == ' ' || (c >= 0x09 && c <= 0x0D);
}

} // namespace

IdentifyWords IdentifyWordsFromBytes(const unsigned char (&sector)[kIdentifySectorSize])
{
    IdentifyWords words{};
    for (std::size_t k = 0; k < words.size(); ++k)
        words[k] = static_cast<std::uint16_t>(sector[2 * k] | (sector[2 * k + 1] << 8));
    return words;
}

char* IdentifyText(const IdentifyWords& words, int first, int last, IdentifyTextBuffer& out)
{
    const int wordCount = static_cast<int>(words.size());
    if (first < 0 || first > last || last >= wordCount ||
        2 * static_cast<std::size_t>(last - first + 1) >= kIdentifyTextSize) {
        out[0] = '\0';
        return out;
    }
    std::size_t position = 0;
    for (int k = first; k <= last; ++k) {
        out[position++] = static_cast<char>(words[k] >> 8);
        out[position++] = static_cast<char>(words[k] & 0xFF);
    }
    out[position] = '\0';
    // Trimming starts at the last stored byte, not at the end of the text:
    // a field that ends in zero bytes keeps the blanks in front of them.
    for (std::size_t i = position - 1; i > 0 && IsWhiteSpace(static_cast<unsigned char>(out[i]));
         --i)
        out[i] = '\0';
    return out;
}

void TrimSpaces(char* text)
{
    std::size_t end = std::strlen(text);
    while (end > 0 && text[end - 1] == ' ')
        --end;
    text[end] = '\0';
    std::size_t start = 0;
    while (text[start] == ' ')
        ++start;
    std::memmove(text, text + start, end - start + 1);
}

void MakeIdentifyDrive(const IdentifyWords& words, DriveRecord& drive)
{
    IdentifyTextBuffer text;
    drive.model = IdentifyText(words, kModelFirstWord, kModelLastWord, text);
    drive.revision = IdentifyText(words, kFirmwareFirstWord, kFirmwareLastWord, text);
    IdentifyText(words, kSerialFirstWord, kSerialLastWord, text);
    // Drives store the serial right-aligned as often as left-aligned.
    TrimSpaces(text);
    drive.serial = text;
}
