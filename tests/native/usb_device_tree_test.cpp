#include "platform/usb_device_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// Nodes the walk passes by or stops at; their hardware ids are never read.
const DeviceNode kRootHub{"USB\\ROOT_HUB30\\4&2F1B1E6&0&0", ""};
const DeviceNode kHub{"USB\\VID_05E3&PID_0610\\5&1A2B3C&0&3",
                      "USB\\VID_05E3&PID_0610&REV_9226\0\0"s};
const DeviceNode kPci{"PCI\\VEN_8086&DEV_7AE0&SUBSYS_86941043&REV_11\\3&11583659&0&A0", ""};

DeviceNode UsbNode(const std::string& device, const std::string& ids)
{
    return {device + "\\0123456789AB", ids};
}

// `count` PCI nodes, then `top`.
std::vector<DeviceNode> BelowPci(int count, const DeviceNode& top)
{
    std::vector<DeviceNode> above(static_cast<std::size_t>(count), kPci);
    above.push_back(top);
    return above;
}

TEST(FindUsbHardwareId, TakesTheNearestUsbDeviceAndNeverReadsAboveIt)
{
    const std::string j = "USB\\VID_152D&PID_0578"; // a JMicron bridge
    const std::string deep(kMaxDeviceIdLength, 'X');
    struct Case {
        const char* tree;
        std::vector<DeviceNode> above; // the disk's parent first
        std::string expected;
        int asked = 1; // parents the walk asked for
    };
    const Case cases[] = {
        {"USBSTOR disk behind a hub",
         {UsbNode(j, j + "&REV_0508\0"s + j + "\0\0"s), kHub, kRootHub, kPci},
         j + "&REV_0508"},
        {"UAS disk, the revision listed second",
         {UsbNode(j, j + "\0"s + j + "&REV_0100\0\0"s), kRootHub},
         j + "&REV_0100"},
        {"interface of a composite device",
         {{j + "&MI_00\\6&2C4D5E&0&0000", j + "&REV_0100&MI_00\0"s + j + "&MI_00\0\0"s},
          UsbNode(j, j + "&REV_0100\0\0"s)},
         j + "&REV_0100&MI_00"},
        {"the last node in reach", BelowPci(kMaxNodesAboveDisk - 1, UsbNode(j, "")), j,
         kMaxNodesAboveDisk},
        {"beyond the last node in reach", BelowPci(kMaxNodesAboveDisk, UsbNode(j, "")), "",
         kMaxNodesAboveDisk},
        {"disk whose parent cannot be read", {}, ""},
        {"root hub first: no device, nothing above read", {kRootHub, kHub}, ""},
        {"lower-case ids, as read",
         {UsbNode(j, "usb\\vid_152d&pid_0578&rev_05a8\0"s)},
         "usb\\vid_152d&pid_0578&rev_05a8"},
        {"hardware ids unreadable", {UsbNode(j, "")}, j},
        {"hardware ids of another device only",
         {UsbNode(j, "USB\\VID_152D&PID_0579&REV_0508\0USB\\VID_152D\0\0"s)},
         j},
        {"malformed revisions",
         {UsbNode(j, j + "&REV_05G8\0"s + j + "&REV_050\0"s + j + "&REV_05080\0"s + j +
                         "&MI_00\0\0"s)},
         j + "&MI_00"},
        {"an id longer than any Windows makes",
         {UsbNode(j, j + "&REV_0508&" + deep + "\0"s + j + "\0\0"s)},
         j},
        {"product id of five digits", {UsbNode(j + "1", j + "1&REV_0508\0\0"s)}, ""},
        {"instance id cut short", {{"USB\\VID_152D&PID_05", ""}}, ""},
    };
    for (const Case& c : cases) {
        int asked = 0;
        const std::string id = FindUsbHardwareId([&](DeviceNode& node) {
            const std::size_t at = static_cast<std::size_t>(asked++);
            if (at < c.above.size())
                node = c.above[at];
            return at < c.above.size();
        });
        EXPECT_EQ(c.expected, id) << c.tree;
        EXPECT_EQ(c.asked, asked) << c.tree;
    }
}

TEST(SplitMultiString, EndsAtTheEmptyStringOrTheLastByte)
{
    using Strings = std::vector<std::string>;
    const std::pair<std::string, Strings> cases[] = {
        {"", {}},
        {"\0a\0\0"s, {}},
        {"a\0bc\0\0"s, {"a", "bc"}},
        {"a\0bc\0"s, {"a", "bc"}},
        {"a\0bc"s, {"a", "bc"}},
        {"a\0\0b\0\0"s, {"a"}},
    };
    for (const auto& [text, expected] : cases) {
        // An exact copy on the heap: a read past its end is caught.
        const std::unique_ptr<char[]> bytes(new char[text.size()]);
        std::copy(text.begin(), text.end(), bytes.get());
        EXPECT_EQ(expected, SplitMultiString(std::string_view(bytes.get(), text.size())))
            << "bytes «" << text << "»";
    }
}

} // namespace
