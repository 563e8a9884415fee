#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One node of the device tree as the configuration manager gives it.
struct DeviceNode {
    std::string instanceId;  // "USB\VID_152D&PID_0578\0123456789"
    std::string hardwareIds; // the node's multi-string as read, terminated or not
};

// Nodes above a disk that the walk reads at most. A disk on USB sits
// directly below its USB node; the bound only ends walks that find none.
constexpr int kMaxNodesAboveDisk = 4;

// The longest device or hardware id Windows makes; a longer one is not used.
constexpr std::size_t kMaxDeviceIdLength = 200;

// The strings of a multi-string: each ends at a NUL, an empty one ends the
// list, and the bytes after the last NUL are a last string of their own.
std::vector<std::string> SplitMultiString(std::string_view bytes);

// Walks up from a disk and gives the hardware id of the USB device it sits
// behind. `readParent` reads the parent of the node it read last (at first,
// of the disk's) and returns false at the top of the tree or when it cannot
// read it. The walk ends at the first USB node, so hubs above are never read,
// or after kMaxNodesAboveDisk nodes.
//
// The id is one of that node's hardware ids as read, for the same vendor and
// product as its instance id, preferably the one with the revision
// ("USB\VID_152D&PID_0578&REV_0508"; an interface of a composite device adds
// "&MI_00"). Without such an id, the instance id's "USB\VID_…&PID_…". Empty
// when no USB node was met, or the first one names no vendor and product (a
// root hub).
std::string FindUsbHardwareId(const std::function<bool(DeviceNode&)>& readParent);
