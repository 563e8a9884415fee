#pragma once

#include "discovery/drive_record.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The 256 words of an ATA IDENTIFY DEVICE reply, word 0 first.
using IdentifyWords = std::array<std::uint16_t, 256>;

constexpr std::size_t kIdentifySectorSize = 512;

// Word ranges (inclusive) of the three text fields. Each word holds two
// characters, the first in its high byte.
constexpr int kSerialFirstWord = 10;
constexpr int kSerialLastWord = 19;
constexpr int kFirmwareFirstWord = 23;
constexpr int kFirmwareLastWord = 26;
constexpr int kModelFirstWord = 27;
constexpr int kModelLastWord = 46;

// One extracted text; the longest field is 40 characters.
constexpr std::size_t kIdentifyTextSize = 1024;
using IdentifyTextBuffer = char[kIdentifyTextSize];

// Reads the 512 bytes of a reply as 256 little-endian words.
IdentifyWords IdentifyWordsFromBytes(const unsigned char (&sector)[kIdentifySectorSize]);

// Writes the characters of words `first` to `last` into `out`, terminates
// them and trims trailing white space (position 0 is never trimmed). A range
// that is empty, leaves the 256 words or does not fit `out` gives the empty
// text. Returns `out`.
char* IdentifyText(const IdentifyWords& words, int first, int last, IdentifyTextBuffer& out);

// Removes leading and trailing spaces (0x20 only) from `text`, in place.
void TrimSpaces(char* text);

// Writes the model, serial and firmware (the revision) texts of a drive; the
// serial alone loses its leading spaces too. The flags are left alone.
void MakeIdentifyDrive(const IdentifyWords& words, DriveRecord& drive);
