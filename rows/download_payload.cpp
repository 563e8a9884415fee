#include "rows/download_payload.h"

#include "platform/bounded_text.h"
#include "rows/row_text.h"
#include "rows/serial_text.h"

#include <cstdio>

namespace {

constexpr char kPayloadTag[] = "DLFNDR";
constexpr char kRequestPath[] = "/downloads/request.html?userPreferredLocaleCookie=en_EN_&fryqrp=";

// Rotates `byte` by `shift` within [first, first + count).
unsigned char Rotate(unsigned char byte, unsigned char first, int count, int shift)
{
    return static_cast<unsigned char>(first + (byte - first + shift) % count);
}

} // namespace

char ScrambleChar(char byte)
{
    const unsigned char b = static_cast<unsigned char>(byte);
    if (b >= 'A' && b <= 'Z')
        return static_cast<char>(Rotate(b, 'A', 26, 13));
    if (b >= 'a' && b <= 'z')
        return static_cast<char>(Rotate(b, 'a', 26, 13));
    if (b >= '0' && b <= '9')
        return static_cast<char>(Rotate(b, '0', 10, 5));
    return byte;
}

void BuildDownloadPayload(const char* serial, int year, char* out)
{
    char cell[kCellBufferSize];
    CopyText(cell, sizeof cell, serial);
    // Wide enough for any int, sign included.
    char yearText[12];
    std::snprintf(yearText, sizeof yearText, "%d", year);

    CopyText(out, kComposedTextSize, kPayloadTag);
    AppendText(out, kComposedTextSize, cell);
    AppendText(out, kComposedTextSize, yearText);
}

void BuildDownloadAddress(const char* payload, char* out)
{
    char scrambled[kDownloadAddressSize];
    std::size_t length = 0;
    for (; length < sizeof scrambled - 1 && payload[length] != '\0'; ++length)
        scrambled[length] = ScrambleChar(payload[length]);
    scrambled[length] = '\0';

    CopyText(out, kDownloadAddressSize, "https://");
    AppendText(out, kDownloadAddressSize, kDownloadHost);
    AppendText(out, kDownloadAddressSize, kRequestPath);
    AppendText(out, kDownloadAddressSize, scrambled);
}

bool ComposeDownloadRequest(const char* serial, int year, std::string& payload,
                            std::string& address)
{
    char cell[kCellBufferSize];
    CopyText(cell, sizeof cell, serial);
    char checked[kCellBufferSize];
    CopyText(checked, sizeof checked, cell);
    if (!IsValidSerialText(checked))
        return false;
    char payloadText[kComposedTextSize];
    BuildDownloadPayload(cell, year, payloadText);
    char addressText[kDownloadAddressSize];
    BuildDownloadAddress(payloadText, addressText);
    payload = payloadText;
    address = addressText;
    return true;
}
