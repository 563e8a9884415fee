#pragma once

#include <cstddef>

// The download-request server. A reserved example domain: no third party's
// server is ever contacted.
constexpr char kDownloadHost[] = "downloads.corvane.example";

constexpr std::size_t kDownloadAddressSize = 4096;

// ROT13 on the ASCII letters, keeping their case, and ROT5 on the decimal
// digits; every other byte, zero included, comes back unchanged.
char ScrambleChar(char byte);

// Fills `out` (kComposedTextSize bytes) with the download payload: "DLFNDR",
// the serial as the list shows it (at most kCellBufferSize - 1 characters), and
// `year` in decimal.
void BuildDownloadPayload(const char* serial, int year, char* out);

// Fills `out` (kDownloadAddressSize bytes) with the download-request address
// on kDownloadHost that carries `payload` scrambled. Cuts what does not fit.
void BuildDownloadAddress(const char* payload, char* out);
