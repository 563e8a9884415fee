#pragma once

#include <string>

// Conversions between the program's texts and what Windows' wide functions
// take. UTF-8 is what the window-free modes write and how they carry paths.

// UTF-8 `text` as UTF-16; bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromUtf8(const std::string& text);

// UTF-16 `text` as UTF-8 in `utf8`. False when `text` is not UTF-16 (an
// unpaired surrogate), which no UTF-8 text could name again.
bool Utf8FromWide(const std::wstring& text, std::string& utf8);

// Text in the system code page, as the scans hand it over, as UTF-8.
std::string Utf8FromCodePage(const std::string& text);
