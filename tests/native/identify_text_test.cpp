#include "identify/identify_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

// Lays `text` into words first..last the way a drive does: two characters
// per word, the first in the high byte; the rest of the range is zero.
void SetField(IdentifyWords& words, int first, int last, const std::string& text)
{
    for (int k = first; k <= last; ++k) {
        const std::size_t at = 2 * static_cast<std::size_t>(k - first);
        const unsigned char high = at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
        const unsigned char low =
            at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : 0;
        words[k] = static_cast<std::uint16_t>(high << 8 | low);
    }
}

std::string ModelText(const std::string& field)
{
    IdentifyWords words{};
    SetField(words, kModelFirstWord, kModelLastWord, field);
    IdentifyTextBuffer out;
    return IdentifyText(words, kModelFirstWord, kModelLastWord, out);
}

std::string FirmwareText(const std::string& field)
{
    IdentifyWords words{};
    SetField(words, kFirmwareFirstWord, kFirmwareLastWord, field);
    IdentifyTextBuffer out;
    return IdentifyText(words, kFirmwareFirstWord, kFirmwareLastWord, out);
}

struct Texts {
    std::string model, serial, firmware;
};

Texts RowTexts(const IdentifyWords& words)
{
    DriveRecord drive;
    MakeIdentifyDrive(words, drive);
    return {drive.model, drive.serial, drive.revision};
}

Texts SerialRow(const std::string& serialField)
{
    IdentifyWords words{};
    SetField(words, kSerialFirstWord, kSerialLastWord, serialField);
    return RowTexts(words);
}

TEST(IdentifyText, TakesTheHighByteOfEachWordFirst)
{
    IdentifyWords words{};
    words[3] = 0x4142; // "AB"
    words[4] = 0x4344; // "CD"
    IdentifyTextBuffer out;
    EXPECT_STREQ("ABCD", IdentifyText(words, 3, 4, out));
    EXPECT_STREQ("AB", IdentifyText(words, 3, 3, out));
}

TEST(IdentifyText, TrimsTrailingWhiteSpaceButNeverPositionZero)
{
    EXPECT_EQ("ABCD", FirmwareText("ABCD    "));
    EXPECT_EQ(" ", ModelText(std::string(40, ' ')));
    EXPECT_EQ("  LEADING KEPT", ModelText("  LEADING KEPT" + std::string(26, ' ')));
    EXPECT_EQ("ABC", FirmwareText("ABC\t\r\n\v\f"));
    EXPECT_EQ("X", FirmwareText("X       "));
}

TEST(IdentifyText, BytesAboveAsciiAreNotWhiteSpace)
{
    EXPECT_EQ("ABCDEF\xA0\x85", FirmwareText("ABCDEF\xA0\x85"));
    EXPECT_EQ("AB  \x80", FirmwareText("AB  \x80   "));
}

TEST(IdentifyText, FieldEndingInZeroBytesIsNotTrimmed)
{
    // The trim starts at the last stored byte, a zero, so the blanks before
    // it stay part of the text.
    EXPECT_EQ("AB  ", FirmwareText(std::string("AB  \0\0\0\0", 8)));
    EXPECT_EQ("", FirmwareText(std::string(8, '\0')));
}

TEST(IdentifyText, BadRangesGiveTheEmptyTextAndWriteNothingElse)
{
    IdentifyWords words{};
    words.fill(0x4141);
    struct {
        char before[8];
        IdentifyTextBuffer out;
        char after[8];
    } guarded;
    std::memset(&guarded, '#', sizeof guarded);
    const int ranges[][2] = {{5, 3}, {-1, 2}, {250, 256}, {0, 511}, {256, 256}};
    for (const auto& range : ranges) {
        SCOPED_TRACE(std::to_string(range[0]) + ".." + std::to_string(range[1]));
        EXPECT_STREQ("", IdentifyText(words, range[0], range[1], guarded.out));
        EXPECT_EQ(std::string(8, '#'), std::string(guarded.before, 8));
        EXPECT_EQ(std::string(8, '#'), std::string(guarded.after, 8));
    }
    // All 256 words (512 characters) fit the buffer.
    EXPECT_EQ(512u, std::strlen(IdentifyText(words, 0, 255, guarded.out)));
    EXPECT_EQ(std::string(8, '#'), std::string(guarded.after, 8));
}

TEST(IdentifyRow, SerialLosesSpacesOnBothEndsOnly)
{
    EXPECT_EQ("0123456789", SerialRow(std::string(10, ' ') + "0123456789").serial);
    EXPECT_EQ("", SerialRow(std::string(20, ' ')).serial);
    EXPECT_EQ("AB CD", SerialRow("  AB CD" + std::string(13, ' ')).serial);
    EXPECT_EQ("", SerialRow("").serial);
    // Only blanks count in the second trim; a leading tab stays.
    EXPECT_EQ("\tAB", SerialRow("\tAB" + std::string(17, ' ')).serial);
}

TEST(IdentifyRow, ModelAndFirmwareKeepLeadingSpaces)
{
    IdentifyWords words{};
    SetField(words, kModelFirstWord, kModelLastWord, "   MODEL" + std::string(32, ' '));
    SetField(words, kFirmwareFirstWord, kFirmwareLastWord, " 1.0    ");
    SetField(words, kSerialFirstWord, kSerialLastWord, "   SER  " + std::string(12, ' '));
    const Texts texts = RowTexts(words);
    EXPECT_EQ("   MODEL", texts.model);
    EXPECT_EQ(" 1.0", texts.firmware);
    EXPECT_EQ("SER", texts.serial);
}

TEST(IdentifyRow, AllZeroSectorGivesThreeEmptyTexts)
{
    const Texts texts = RowTexts(IdentifyWords{});
    EXPECT_EQ("", texts.model);
    EXPECT_EQ("", texts.serial);
    EXPECT_EQ("", texts.firmware);
}

IdentifyWords ReadSector(const std::string& name)
{
    std::ifstream file(std::string(VESTREL_TEST_DATA_DIR) + "/identify/" + name, std::ios::binary);
    unsigned char sector[kIdentifySectorSize] = {};
    file.read(reinterpret_cast<char*>(sector), sizeof sector);
    EXPECT_EQ(static_cast<std::streamsize>(sizeof sector), file.gcount()) << name;
    return IdentifyWordsFromBytes(sector);
}

struct RealDrive {
    const char* file;
    Texts expected;
};

// Sectors of real drives (see tests/data/identify/README.md).
const RealDrive kRealDrives[] = {
    {"02.bin", {"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}},
    {"03.bin", {"ORDIX WD800BB-00CAA1", "WD-WMA8E4953539", "17.07W17"}},
    {"05.bin", {"QEMU HARDDISK", "QM00001", "2.1.2"}},
    {"10.bin", {"ORDIX DVD-ROM PX-116A", "", "1.00"}},
    {"30.bin", {"MCCOE64GEMPP", "SE808N0608", "2.9.09"}},
    {"33.bin", {"PELLUM MK1651GSY", "38IGT0G5T", "LD001D"}},
};

TEST(IdentifyRow, RealDrivesGiveTheirTexts)
{
    for (const RealDrive& drive : kRealDrives) {
        SCOPED_TRACE(drive.file);
        const Texts texts = RowTexts(ReadSector(drive.file));
        EXPECT_EQ(drive.expected.model, texts.model);
        EXPECT_EQ(drive.expected.serial, texts.serial);
        EXPECT_EQ(drive.expected.firmware, texts.firmware);
    }
}

} // namespace
