#include "rows/drive_rows.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Models(const std::vector<DriveRow>& rows)
{
    std::vector<std::string> models;
    for (const DriveRow& row : rows)
        models.push_back(row.model + (row.source == RowSource::Identify ? " (identify)" : ""));
    return models;
}

TEST(ListedRows, LinkedAttachedDiscoveryDrivesThenEveryIdentifiedDrive)
{
    const std::vector<DriveRecord> discovered = {
        {"Shown", "S1", "1", true, true},      {"Detached", "D1", "1", true, false},
        {"Unlinked", "U1", "1", false, false}, {"Odd", "O1", "1", false, true},
        {"Shown", "S1", "1", true, true},
    };
    const std::vector<DriveRecord> identified = {{"Identified", "I1", "2"}, {"Shown", "S1", "1"}};
    const std::vector<std::string> expected = {"Shown", "Shown", "Identified (identify)",
                                               "Shown (identify)"};
    EXPECT_EQ(expected, Models(ListedRows(discovered, identified)));
    EXPECT_TRUE(ListedRows({}, {}).empty());
}

TEST(ListedRows, TextsEndAtTheirFirstZeroByteAsTheListKeepsThem)
{
    const DriveRow row =
        ListedRows({{std::string("M\0x", 3), std::string("S\0y", 3), std::string("R\0z", 3)}}, {})
            .at(0);
    EXPECT_EQ("M", row.model);
    EXPECT_EQ("S", row.serial);
    EXPECT_EQ("R", row.firmware);
}

} // namespace
