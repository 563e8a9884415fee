#include "advisory/advisory.h"

#include <algorithm>

// Both tables are constant-initialised: they exist before any other static
// object is constructed and never change afterwards.
const std::array<std::string_view, 39> kAffectedModels = {
    // ZQ, seven digits
    "ZQ3104220AS",
    "ZQ3104221AS",
    "ZQ3104320AS",
    "ZQ3108440AS",
    "ZQ3108441AS",
    "ZQ3112250AS",
    "ZQ3112251AS",
    "ZQ3116300AS",
    "ZQ3120500AS",
    "ZQ3125000AS",
    "ZQ3104220NS",
    "ZQ3108440NS",
    "ZQ3112250NS",
    "ZQ3116300NS",
    "ZQ3120500NS",
    "ZQ3125000NS",
    "ZQ3150020SV",
    "ZQ3150040SV",
    "ZQ3150080SV",
    // ZQ, eight digits
    "ZQ32000100AS",
    "ZQ32000200AS",
    "ZQ32000300AS",
    "ZQ32000400AS",
    "ZQ32000100NS",
    "ZQ32000200NS",
    "ZQ32000300NS",
    // ZQP, seven digits
    "ZQP3064010AS",
    "ZQP3064020AS",
    "ZQP3064040AS",
    "ZQP3072010AS",
    "ZQP3072020AS",
    "ZQP3072040AS",
    "ZQP3080010AS",
    "ZQP3080020AS",
    "ZQP3080040AS",
    // ZQP, eight digits
    "ZQP30960100AS",
    "ZQP30960200AS",
    "ZQP30960400AS",
    "ZQP30960800AS",
};

const std::array<std::string_view, 19> kFixedFirmware = {
    "KC2A", "KC2B", "KC3A", "KC4C", "MX1A", "MX1B", "MX2D", "RT5A", "RT5E", "KC24",
    "KC31", "MX12", "MX15", "RT50", "RT51", "RT57", "RT57", "VW08", "QZ",
};

namespace {

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& table, const std::string& text)
{
    return std::find(table.begin(), table.end(), text) != table.end();
}

} // namespace

bool IsAffectedModel(std::string model)
{
    return Contains(kAffectedModels, model);
}

bool IsFixedFirmware(std::string revision)
{
    return Contains(kFixedFirmware, revision);
}
