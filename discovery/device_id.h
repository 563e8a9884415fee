#pragma once

#include "discovery/drive_record.h"

#include <string>

// True when the link contains one of the registry vendor tokens
// ("Ven_Corvane", "Ven_Pellum", "Ven_Ordix", "Ven_Brevond"), case-sensitively,
// anywhere in the text.
bool HasVendorToken(const std::string& link);

// Cuts a device link of a known vendor into the drive's serial, model and
// revision. A link without a vendor token writes nothing. The model is
// written only when the link has a "Prod_" field; a link without "Rev_" gets
// "Unknown". Returns false when the link could not be cut apart (what was
// cut before stays written), so that the caller can tell the user.
[[nodiscard]] bool ParseDeviceLink(const std::string& link, DriveRecord& drive);

// Strips the instance suffix and padding from a serial; a system-made
// instance identifier (second character "&") becomes "N/A".
void CleanSerial(std::string& text);

// Device links spell blanks as underscores.
void UnderscoresToSpaces(std::string& text);

// True when a storage descriptor's vendor text names a known brand: the text
// before the first space, with ASCII capitals lowered, equals a brand name.
bool IsKnownVendorName(const std::string& vendor);
