#pragma once

#include <cstddef>
#include <string>

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

// What "Check for Downloads" sends for a row's `serial`, cut as the list
// cuts a cell: the plain payload, which goes on the clipboard, and the
// address that opens. False, with both left as they were, when the serial
// fails IsValidSerialText, which keeps the address free of characters to
// encode; the button is then disabled.
bool ComposeDownloadRequest(const char* serial, int year, std::string& payload,
                            std::string& address);
