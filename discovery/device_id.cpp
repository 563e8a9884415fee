#include "discovery/device_id.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 4> kVendorTokens = {"Ven_Corvane", "Ven_Pellum", "Ven_Ordix",
                                                           "Ven_Brevond"};

constexpr std::array<std::string_view, 4> kVendorNames = {"corvane", "pellum", "ordix", "brevond"};

constexpr std::string_view kProductMarker = "Prod_";
constexpr std::string_view kRevisionMarker = "Rev_";

// The text after the first '#', or all of it when there is none.
std::string AfterFirstHash(const std::string& text)
{
    const std::size_t hash = text.find('#');
    return hash == std::string::npos ? text : text.substr(hash + 1);
}

void TrimBoth(std::string& text, char c)
{
    const std::size_t first = text.find_first_not_of(c);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(c) + 1);
    text.erase(0, first);
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool HasVendorToken(const std::string& link)
{
    return std::any_of(kVendorTokens.begin(), kVendorTokens.end(), [&](std::string_view token) {
        return link.find(token) != std::string::npos;
    });
}

bool ParseDeviceLink(const std::string& link, DriveRecord& drive)
{
    if (!HasVendorToken(link))
        return true;
    // The cuts below never start past the end of their text, but should one
    // ever do so the parse stops there and says so.
    try {
        const std::string afterBus = AfterFirstHash(link);
        std::string instance = AfterFirstHash(afterBus);
        instance = instance.substr(0, instance.find('#'));
        CleanSerial(instance);
        drive.serial = instance;

        const std::size_t product = afterBus.find(kProductMarker);
        if (product != std::string::npos) {
            std::string field = afterBus.substr(product);
            // A "Prod_" field that ends the device-type part is followed by
            // '#', not '&': cutting at '&' alone would run into the instance.
            field = field.substr(0, field.find_first_of("&#"));
            field = field.substr(kProductMarker.size());
            UnderscoresToSpaces(field);
            drive.model = field;
        }

        const std::size_t rev = afterBus.find(kRevisionMarker);
        if (rev != std::string::npos) {
            std::string field = afterBus.substr(rev);
            field = field.substr(0, field.find('#'));
            drive.revision = field.substr(kRevisionMarker.size());
        } else {
            drive.revision = "Unknown";
        }
    } catch (const std::out_of_range&) {
        return false;
    }
    return true;
}

void CleanSerial(std::string& text)
{
    // "SERIAL&1": the instance number the system appends.
    if (text.size() > 2 && text[text.size() - 2] == '&')
        text.erase(text.size() - 2);
    TrimBoth(text, '_');
    TrimBoth(text, ' ');
    if (text.size() > 2 && text.compare(text.size() - 2, 2, "&0") == 0)
        text.erase(text.size() - 2);
    // "7&2a8b3c4d&0": made by the system for a drive that reports no serial.
    if (text.size() > 2 && text[1] == '&')
        text = "N/A";
}

void UnderscoresToSpaces(std::string& text)
{
    std::replace(text.begin(), text.end(), '_', ' ');
}

bool IsKnownVendorName(const std::string& vendor)
{
    std::string name = vendor.substr(0, vendor.find(' '));
    std::transform(name.begin(), name.end(), name.begin(), AsciiLower);
    return std::find(kVendorNames.begin(), kVendorNames.end(), name) != kVendorNames.end();
}
