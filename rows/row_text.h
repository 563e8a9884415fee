#pragma once

#include <cstddef>

// Fixed text buffers: one list cell, and a text composed from cells.
constexpr std::size_t kCellBufferSize = 256;
constexpr std::size_t kComposedTextSize = 2048;

// Fills `out` (kComposedTextSize bytes) with one drive's row text,
// "Model: <model>, Serial: <serial>, Firmware: <revision>", with no line
// break. Each cell contributes at most kCellBufferSize - 1 characters.
void ComposeRowText(const char* model, const char* serial, const char* revision, char* out);
