#pragma once

// True when `text` is empty or holds only ASCII letters and digits, the only
// serials the download request accepts. Small letters in `text` are
// upper-cased in place as they are checked, so pass a private copy.
bool IsValidSerialText(char* text);
