#include "rows/download_payload.h"

#include "rows/row_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Payload(const std::string& serial, int year)
{
    std::string buffer(kComposedTextSize + 8, '#');
    BuildDownloadPayload(serial.c_str(), year, &buffer[0]);
    EXPECT_EQ(std::string(8, '#'), buffer.substr(kComposedTextSize));
    return buffer.c_str();
}

std::string Address(const std::string& payload)
{
    std::string buffer(kDownloadAddressSize + 8, '#');
    BuildDownloadAddress(payload.c_str(), &buffer[0]);
    EXPECT_EQ(std::string(8, '#'), buffer.substr(kDownloadAddressSize));
    return buffer.c_str();
}

std::string Scrambled(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += ScrambleChar(c);
    return out;
}

TEST(ScrambleChar, RotatesLettersByThirteenAndDigitsByFive)
{
    EXPECT_EQ("NOPQRSTUVWXYZABCDEFGHIJKLM", Scrambled("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    EXPECT_EQ("nopqrstuvwxyzabcdefghijklm", Scrambled("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("5678901234", Scrambled("0123456789"));
}

TEST(ScrambleChar, LeavesEveryOtherByteAlone)
{
    // The neighbours of each range, punctuation, and bytes above 0x7F, which
    // a locale-aware letter test might take for letters.
    const char others[] = "\x01 -_/:@[`{~\x7F\x80\xC1\xE9\xFF";
    EXPECT_EQ(std::string(others), Scrambled(others));
    EXPECT_EQ('\0', ScrambleChar('\0'));
}

TEST(ScrambleChar, TwiceGivesEveryByteBack)
{
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_EQ(c, ScrambleChar(ScrambleChar(c))) << b;
    }
}

TEST(DownloadPayload, TagSerialAsShownAndYear)
{
    EXPECT_EQ("DLFNDRNA12345X2024", Payload("NA12345X", 2024));
    EXPECT_EQ("DLFNDRna12345x2025", Payload("na12345x", 2025));
    EXPECT_EQ("DLFNDR2024", Payload("", 2024));
    EXPECT_EQ("DLFNDRAB10000", Payload("AB", 10000));
    EXPECT_EQ("DLFNDR" + std::string(255, 'S') + "2024", Payload(std::string(300, 'S'), 2024));
}

TEST(DownloadAddress, IsThePageOnOurHostWithTheScrambledPayload)
{
    const std::string page = "https://" + std::string(kDownloadHost) +
                             "/downloads/request.html?userPreferredLocaleCookie=en_EN_&fryqrp=";
    EXPECT_EQ(page + "QYSAQE", Address("DLFNDR"));
    EXPECT_EQ(page + "QYSAQEAN67890K7579", Address("DLFNDRNA12345X2024"));
    EXPECT_EQ(page + "QYSAQEan67890k7570", Address("DLFNDRna12345x2025"));
    EXPECT_EQ(page + "QYSAQE7579", Address("DLFNDR2024"));

    const std::string longest = "DLFNDR" + std::string(255, 'a') + "2024";
    EXPECT_EQ(page + "QYSAQE" + std::string(255, 'n') + "7579", Address(longest));
}

TEST(DownloadAddress, HostIsUnderAReservedExampleDomain)
{
    const std::string host = kDownloadHost;
    const std::string suffix = ".example";
    ASSERT_GT(host.size(), suffix.size());
    EXPECT_EQ(suffix, host.substr(host.size() - suffix.size()));
}

} // namespace
