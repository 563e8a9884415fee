#include "discovery/registry_walk.h"

#include "discovery/device_id.h"
#include "discovery/parse_warning.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <vector>

namespace {

// Key names are at most 255 characters, value names 16,383; the lengths
// handed to the enumeration count the terminating NUL.
constexpr DWORD kKeyNameSize = 256;
constexpr DWORD kValueNameSize = 16384;

constexpr std::string_view kSymbolicLinkName = "SymbolicLink";
constexpr std::string_view kLinkedName = "Linked";

// A subkey opened for reading, closed when it goes out of scope.
class SubKey {
public:
    SubKey(HKEY parent, const char* name)
    {
        if (RegOpenKeyExA(parent, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            key = nullptr;
    }
    ~SubKey()
    {
        if (key)
            RegCloseKey(key);
    }
    SubKey(const SubKey&) = delete;
    SubKey& operator=(const SubKey&) = delete;

    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

struct KeyInfo {
    DWORD subkeys = 0;
    DWORD values = 0;
    DWORD largestData = 0;
};

// Counts of a key; all zero when the key cannot be described. The class name
// is not asked for: a long one would make the whole query fail.
KeyInfo DescribeKey(HKEY key)
{
    KeyInfo info;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &info.subkeys, nullptr, nullptr,
                         &info.values, nullptr, &info.largestData, nullptr,
                         nullptr) != ERROR_SUCCESS)
        return {};
    return info;
}

// Reads the name of subkey `index` into `name`; false when it cannot be read.
bool SubkeyName(HKEY key, DWORD index, std::vector<char>& name)
{
    DWORD length = static_cast<DWORD>(name.size());
    return RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

// True when the key's "Linked" value, read by name into four bytes that hold
// zero beforehand, is the number 1. Its type is not looked at.
bool LinkedIsOne(HKEY key)
{
    BYTE number[4] = {};
    DWORD size = sizeof number;
    if (RegQueryValueExA(key, kLinkedName.data(), nullptr, nullptr, number, &size) != ERROR_SUCCESS)
        return false;
    return number[0] == 1 && number[1] == 0 && number[2] == 0 && number[3] == 0;
}

// The walk of one device key's subtree. Its buffers live on the heap and are
// shared by every level, so each level of the recursion costs a small frame:
// names are needed only until the subkey is opened, values only after all
// subkeys of their key have been walked.
class DeviceKeyWalk {
public:
    explicit DeviceKeyWalk(DriveRecord& drive) : drive(drive) {}

    void Walk(HKEY key, int depth)
    {
        const KeyInfo info = DescribeKey(key);
        if (depth < kMaxWalkDepth)
            WalkSubkeys(key, info.subkeys, depth);
        ReadValues(key, info.values, info.largestData);
    }

private:
    void WalkSubkeys(HKEY key, DWORD count, int depth)
    {
        for (DWORD i = 0; i < count && keysLeft > 0; ++i) {
            if (!SubkeyName(key, i, keyName))
                continue;
            SubKey subkey(key, keyName.data());
            if (!subkey.Get())
                continue;
            --keysLeft;
            Walk(subkey.Get(), depth + 1);
        }
    }

    void ReadValues(HKEY key, DWORD count, DWORD largestData)
    {
        if (count == 0 || !MakeRoomForData(largestData))
            return;
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameLength = kValueNameSize;
            DWORD dataSize = static_cast<DWORD>(data.size());
            if (RegEnumValueA(key, i, valueName.data(), &nameLength, nullptr, nullptr, data.data(),
                              &dataSize) != ERROR_SUCCESS)
                continue;
            // Only the bytes this value returned count; the buffer's tail may
            // hold an earlier, longer value.
            dataSize = std::min(dataSize, static_cast<DWORD>(data.size()));
            UseValue(key, std::string_view(valueName.data(), nameLength), dataSize);
        }
    }

    void UseValue(HKEY key, std::string_view name, DWORD dataSize)
    {
        if (name == kSymbolicLinkName) {
            const char* text = reinterpret_cast<const char*>(data.data());
            const std::string link(text, std::find(text, text + dataSize, '\0'));
            if (!ParseDeviceLink(link, drive))
                ShowParseWarning();
        } else if (name == kLinkedName) {
            drive.linkSeen = true;
            if (LinkedIsOne(key))
                drive.linkActive = true;
        }
    }

    // The data buffer grows to the largest value seen so far, at least one
    // byte. A size the registry reports but memory cannot hold leaves the key
    // without readable values.
    bool MakeRoomForData(DWORD largestData)
    {
        try {
            if (data.size() < std::max<DWORD>(largestData, 1))
                data.resize(std::max<DWORD>(largestData, 1));
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }

    DriveRecord& drive;
    int keysLeft = kMaxKeysPerDevice;
    std::vector<char> keyName = std::vector<char>(kKeyNameSize);
    std::vector<char> valueName = std::vector<char>(kValueNameSize);
    std::vector<BYTE> data;
};

} // namespace

void WalkDeviceInterfaceKey(HKEY key, DriveRecord& drive)
{
    DeviceKeyWalk(drive).Walk(key, 0);
}

std::vector<DriveRecord> WalkDeviceInterfaceClass(HKEY classKey)
{
    std::vector<DriveRecord> drives;
    const KeyInfo info = DescribeKey(classKey);
    std::vector<char> name(kKeyNameSize);
    for (DWORD i = 0; i < info.subkeys; ++i) {
        if (!SubkeyName(classKey, i, name))
            continue;
        SubKey device(classKey, name.data());
        if (!device.Get())
            continue;
        DriveRecord drive{kPlaceholderModel, "", "", false, false};
        WalkDeviceInterfaceKey(device.Get(), drive);
        if (drive.model.find(kPlaceholderModel) == std::string::npos)
            drives.push_back(drive);
    }
    return drives;
}
