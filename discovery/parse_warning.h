#pragma once

// Tells the user that a device link could not be cut apart. The Windows build
// shows a message box; the host tests and fuzzers link their own version.
void ShowParseWarning();

// For runs without a window (the report): from now on the Windows build's
// ShowParseWarning writes one line to standard error when that is redirected,
// and shows nothing.
void WriteParseWarningsAsText();
