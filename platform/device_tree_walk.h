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
// for its number; a disk that does not tell it is left out.
std::map<int, std::string> ReadUsbHardwareIds(DeviceIo& devices);
