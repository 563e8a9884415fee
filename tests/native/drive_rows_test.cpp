#include "app/drive_rows.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Models(const std::vector<DriveRecord>& drives)
{
    std::vector<std::string> models;
    for (const DriveRecord& drive : drives)
        models.push_back(drive.model);
    return models;
}

TEST(ListedDrives, LinkedAttachedDiscoveryDrivesThenEveryIdentifiedDrive)
{
    const std::vector<DriveRecord> discovered = {
        {"Shown", "S1", "1", true, true},      {"Detached", "D1", "1", true, false},
        {"Unlinked", "U1", "1", false, false}, {"Odd", "O1", "1", false, true},
        {"Shown", "S1", "1", true, true},
    };
    const std::vector<DriveRecord> identified = {{"Identified", "I1", "2"}, {"Shown", "S1", "1"}};
    const std::vector<std::string> expected = {"Shown", "Shown", "Identified", "Shown"};
    EXPECT_EQ(expected, Models(ListedDrives(discovered, identified)));
    EXPECT_TRUE(ListedDrives({}, {}).empty());
}

} // namespace
