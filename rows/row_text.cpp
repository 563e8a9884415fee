#include "rows/row_text.h"

#include "platform/bounded_text.h"

namespace {

// Appends at most the part of `cell` that a cell buffer can hold.
void AppendCell(char* out, const char* cell)
{
    char bounded[kCellBufferSize];
    CopyText(bounded, sizeof bounded, cell);
    AppendText(out, kComposedTextSize, bounded);
}

} // namespace

void ComposeRowText(const char* model, const char* serial, const char* revision, char* out)
{
    CopyText(out, kComposedTextSize, "Model: ");
    AppendCell(out, model);
    AppendText(out, kComposedTextSize, ", Serial: ");
    AppendCell(out, serial);
    AppendText(out, kComposedTextSize, ", Firmware: ");
    AppendCell(out, revision);
}
