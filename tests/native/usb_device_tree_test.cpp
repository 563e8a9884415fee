#include "platform/usb_device_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

const DeviceNode kRootHub{"USB\\ROOT_HUB30\\4&2F1B1E6&0&0",
                          "USB\\ROOT_HUB30&VID8086&PID7AE0&REV0011\0USB\\ROOT_HUB30\0\0"s};
const DeviceNode kHub{"USB\\VID_05E3&PID_0610\\5&1A2B3C&0&3",
                      "USB\\VID_05E3&PID_0610&REV_9226\0USB\\VID_05E3&PID_0610\0\0"s};
const DeviceNode kPciController{"PCI\\VEN_8086&DEV_7AE0&SUBSYS_86941043&REV_11\\3&11583659&0&A0",
                                "PCI\\VEN_8086&DEV_7AE0&REV_11\0PCI\\VEN_8086&DEV_7AE0\0\0"s};
const DeviceNode kSataController{"PCI\\VEN_8086&DEV_7AE2&SUBSYS_86941043&REV_11\\3&11583659&0&B8",
                                 "PCI\\VEN_8086&DEV_7AE2&REV_11\0PCI\\VEN_8086&DEV_7AE2\0\0"s};
const DeviceNode kPciRoot{"ACPI\\PNP0A08\\0", "ACPI\\PNP0A08\0*PNP0A08\0\0"s};
const DeviceNode kAcpiRoot{"ACPI_HAL\\PNP0C08\\0", "ACPI_HAL\\PNP0C08\0*PNP0C08\0\0"s};

DeviceNode UsbNode(const std::string& device, const std::string& ids)
{
    return {device + "\\0123456789AB", ids};
}

// Walks `above` (the disk's parent first, the top of the tree last) and
// counts the parents the walk asked for.
struct Walked {
    std::string id;
    int asked = 0;
};

Walked Walk(const std::vector<DeviceNode>& above)
{
    Walked walked;
    walked.id = FindUsbHardwareId([&](DeviceNode& node) {
        const std::size_t at = static_cast<std::size_t>(walked.asked++);
        if (at >= above.size())
            return false;
        node = above[at];
        return true;
    });
    return walked;
}

struct TreeCase {
    const char* tree;
    std::vector<DeviceNode> above;
    std::string expected;
    int asked;
};

TEST(FindUsbHardwareId, TakesTheNearestUsbDeviceAndNeverReadsAboveIt)
{
    const std::string jmicron = "USB\\VID_152D&PID_0578";
    const std::string deep = std::string(kMaxDeviceIdLength, 'X');
    const TreeCase cases[] = {
        {"USBSTOR disk behind a hub",
         {UsbNode(jmicron, jmicron + "&REV_0508\0"s + jmicron + "\0\0"s), kHub, kRootHub,
          kPciController},
         "USB\\VID_152D&PID_0578&REV_0508",
         1},
        {"UAS disk, the revision listed second",
         {UsbNode("USB\\VID_174C&PID_55AA",
                  "USB\\VID_174C&PID_55AA\0USB\\VID_174C&PID_55AA&REV_0100\0\0"s),
          kRootHub},
         "USB\\VID_174C&PID_55AA&REV_0100",
         1},
        {"interface of a composite device",
         {{"USB\\VID_0BDA&PID_0316&MI_00\\6&2C4D5E&0&0000",
           "USB\\VID_0BDA&PID_0316&REV_0100&MI_00\0USB\\VID_0BDA&PID_0316&MI_00\0\0"s},
          UsbNode("USB\\VID_0BDA&PID_0316", "USB\\VID_0BDA&PID_0316&REV_0100\0\0"s),
          kRootHub},
         "USB\\VID_0BDA&PID_0316&REV_0100&MI_00",
         1},
        {"SATA disk", {kSataController, kPciRoot, kAcpiRoot}, "", 4},
        {"disk whose parent cannot be read", {}, "", 1},
        {"root hub first: no device, nothing above read", {kRootHub, kHub}, "", 1},
        {"lower-case ids, as read",
         {UsbNode(jmicron, "usb\\vid_152d&pid_0578&rev_05a8\0"s)},
         "usb\\vid_152d&pid_0578&rev_05a8",
         1},
        {"hardware ids unreadable", {UsbNode(jmicron, "")}, jmicron, 1},
        {"hardware ids of another device only",
         {UsbNode(jmicron, "USB\\VID_152D&PID_0579&REV_0508\0USB\\VID_152D\0\0"s)},
         jmicron,
         1},
        {"multi-string without its terminators",
         {UsbNode(jmicron, jmicron + "\0"s + jmicron + "&REV_0508")},
         jmicron + "&REV_0508",
         1},
        {"empty string ends the list before the revision",
         {UsbNode(jmicron, jmicron + "\0\0"s + jmicron + "&REV_0508\0\0"s)},
         jmicron,
         1},
        {"malformed revisions",
         {UsbNode(jmicron, jmicron + "&REV_05G8\0"s + jmicron + "&REV_050\0"s + jmicron +
                               "&REV_05080\0"s + jmicron + "&MI_00\0\0"s)},
         jmicron + "&MI_00",
         1},
        {"an id longer than any Windows makes",
         {UsbNode(jmicron, jmicron + "&REV_0508&" + deep + "\0"s + jmicron + "\0\0"s)},
         jmicron,
         1},
        {"product id of five digits",
         {UsbNode("USB\\VID_152D&PID_05781", "USB\\VID_152D&PID_05781&REV_0508\0\0"s)},
         "",
         1},
        {"vendor id not hex", {UsbNode("USB\\VID_15ZD&PID_0578", "")}, "", 1},
        {"instance id cut short", {{"USB\\VID_152D&PID_05", ""}}, "", 1},
    };
    for (const TreeCase& c : cases) {
        const Walked walked = Walk(c.above);
        EXPECT_EQ(c.expected, walked.id) << c.tree;
        EXPECT_EQ(c.asked, walked.asked) << c.tree;
    }
}

TEST(FindUsbHardwareId, GivesUpAfterTheBoundOfNodes)
{
    ASSERT_GE(kMaxNodesAboveDisk, 2) << "a composite device's interface must be in reach";
    const DeviceNode device = UsbNode("USB\\VID_152D&PID_0578", "");
    std::vector<DeviceNode> above(static_cast<std::size_t>(kMaxNodesAboveDisk) - 1, kPciController);
    above.push_back(device);
    EXPECT_EQ("USB\\VID_152D&PID_0578", Walk(above).id) << "the last node in reach";

    above.insert(above.begin(), kPciController);
    const Walked tooDeep = Walk(above);
    EXPECT_EQ("", tooDeep.id);
    EXPECT_EQ(kMaxNodesAboveDisk, tooDeep.asked);
}

struct SplitCase {
    std::string bytes;
    std::vector<std::string> expected;
};

TEST(SplitMultiString, EndsAtTheEmptyStringOrTheLastByte)
{
    using Strings = std::vector<std::string>;
    const SplitCase cases[] = {
        {"", {}},
        {"\0"s, {}},
        {"\0\0"s, {}},
        {"a\0bc\0\0"s, Strings{"a", "bc"}},
        {"a\0bc\0"s, Strings{"a", "bc"}},
        {"a\0bc"s, Strings{"a", "bc"}},
        {"abc"s, Strings{"abc"}},
        {"a\0\0b\0\0"s, Strings{"a"}},
        {"\0a\0\0"s, {}},
        {"a\0b\0\0c\0\0"s, Strings{"a", "b"}},
    };
    for (const SplitCase& c : cases) {
        // An exact copy on the heap: a read past its end is caught.
        const std::unique_ptr<char[]> bytes(new char[c.bytes.size()]);
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.get());
        EXPECT_EQ(c.expected, SplitMultiString(std::string_view(bytes.get(), c.bytes.size())))
            << "bytes «" << c.bytes << "»";
    }
}

} // namespace
