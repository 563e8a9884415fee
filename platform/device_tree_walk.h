#pragma once

#include "platform/device_io.h"

#include <map>
#include <string>

// Whether this Windows has every function the walk needs; without them the
// walk finds nothing.
bool CanWalkDeviceTree();

// Each present disk by its physical drive number, with the hardware id of
// the USB device it sits behind (FindUsbHardwareId; empty for none). Each
// disk interface is opened through `devices` without access rights and asked
// for its number, all side by side, each on a thread of its own; a disk that
// does not tell it is left out. The walk waits for every one of them, so
// `devices` must put a deadline on each call (TimedDeviceIo does).
std::map<int, std::string> ReadUsbHardwareIds(DeviceIo& devices);
