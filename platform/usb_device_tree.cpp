#include "platform/usb_device_tree.h"

#include <algorithm>

namespace {

constexpr std::string_view kUsbBus = "USB\\";
constexpr std::string_view kVendor = "USB\\VID_";
constexpr std::string_view kProduct = "&PID_";
constexpr std::string_view kRevision = "&REV_";
constexpr std::size_t kIdDigits = 4;
// "USB\VID_152D&PID_0578": what names the device, in instance and hardware ids.
constexpr std::size_t kDevicePartLength = kVendor.size() + kIdDigits + kProduct.size() + kIdDigits;

// ASCII only: ids are ASCII, and a byte above 0x7F must not match a letter.
char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Upper(x) == Upper(y); });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool IsHexDigit(char c)
{
    const char u = Upper(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F');
}

// Whether `text` at `at` is `label` and four hex digits.
bool HasField(std::string_view text, std::size_t at, std::string_view label)
{
    if (at > text.size() || text.size() - at < label.size() + kIdDigits)
        return false;
    const std::string_view digits = text.substr(at + label.size(), kIdDigits);
    return EqualIgnoringCase(text.substr(at, label.size()), label) &&
           std::all_of(digits.begin(), digits.end(), IsHexDigit);
}

// Whether what follows a field at `end` lets the field end there.
bool EndsField(std::string_view text, std::size_t end)
{
    return end == text.size() || text[end] == '&' || text[end] == '\\';
}

// "USB\VID_hhhh&PID_hhhh", then the end, another field or the instance part.
bool NamesUsbDevice(std::string_view id)
{
    return id.size() <= kMaxDeviceIdLength && HasField(id, 0, kVendor) &&
           HasField(id, kVendor.size() + kIdDigits, kProduct) && EndsField(id, kDevicePartLength);
}

bool HasRevision(std::string_view id)
{
    const std::size_t end = kDevicePartLength + kRevision.size() + kIdDigits;
    return HasField(id, kDevicePartLength, kRevision) && EndsField(id, end);
}

// An id whose revision cannot be read is not taken for one without.
bool HasBrokenRevision(std::string_view id)
{
    return id.size() >= kDevicePartLength &&
           StartsWithIgnoringCase(id.substr(kDevicePartLength), kRevision) && !HasRevision(id);
}

std::string UsbHardwareIdOf(const DeviceNode& node)
{
    const std::string_view instance = node.instanceId;
    if (!NamesUsbDevice(instance))
        return {};
    std::string withoutRevision;
    for (const std::string& id : SplitMultiString(node.hardwareIds)) {
        // An id of another device is not this node's, whatever the registry says.
        if (!NamesUsbDevice(id) ||
            !EqualIgnoringCase(std::string_view(id).substr(0, kDevicePartLength),
                               instance.substr(0, kDevicePartLength)) ||
            HasBrokenRevision(id))
            continue;
        if (HasRevision(id))
            return id;
        if (withoutRevision.empty())
            withoutRevision = id;
    }
    if (!withoutRevision.empty())
        return withoutRevision;
    return std::string(instance.substr(0, kDevicePartLength));
}

} // namespace

std::vector<std::string> SplitMultiString(std::string_view bytes)
{
    std::vector<std::string> strings;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
        if (end == start)
            break;
        strings.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

std::string FindUsbHardwareId(const std::function<bool(DeviceNode&)>& readParent)
{
    for (int read = 0; read < kMaxNodesAboveDisk; ++read) {
        DeviceNode node;
        if (!readParent(node))
            return {};
        if (StartsWithIgnoringCase(node.instanceId, kUsbBus))
            return UsbHardwareIdOf(node);
    }
    return {};
}
