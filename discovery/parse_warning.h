#pragma once

// Tells the user that a device link could not be cut apart (the registry
// walk calls it when ParseDeviceLink says so): an ownerless message box, or
// a line of text after WriteParseWarningsAsText.
void ShowParseWarning();

// For runs without a window (the report): from now on ShowParseWarning writes one line to standard
// error when that is redirected, and shows nothing.
void WriteParseWarningsAsText();
