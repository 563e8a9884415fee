#pragma once

// Tells the user that a device link could not be cut apart. The Windows build
// shows a message box; the host tests and fuzzers link their own version.
void ShowParseWarning();
