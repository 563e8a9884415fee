#pragma once

#include "discovery/drive_record.h"

#include <windows.h>

#include <vector>

// The model a device key keeps until one of its device links names a drive
// of a known brand; a key that still holds it gives no record.
constexpr char kPlaceholderModel[] = "VESTRELUSELESSMODEL";

// Keys below a device key that the walk descends into at most: the
// registry's own nesting limit, so only a cycle of registry links reaches it.
constexpr int kMaxWalkDepth = 512;

// Keys walked beneath one device key at most, so that a link cycle that fans
// out still ends. Real device keys hold a handful.
constexpr int kMaxKeysPerDevice = 10000;

// Walks every device key of an open disk device-interface class key and
// returns one record per device key whose device link named a known brand,
// in subkey order. Keys that cannot be read are skipped; nothing is reported.
std::vector<DriveRecord> WalkDeviceInterfaceClass(HKEY classKey);

// Walks one key and everything beneath it into `drive`, subkeys before the
// key's own values: a "SymbolicLink" value is parsed into model, serial and
// revision (a later one overwrites an earlier one), a "Linked" value sets
// linkSeen and, when it holds 1, linkActive. The flags are only ever set,
// never cleared. A link that cannot be cut apart is told with
// ShowParseWarning, and the walk goes on.
void WalkDeviceInterfaceKey(HKEY key, DriveRecord& drive);
