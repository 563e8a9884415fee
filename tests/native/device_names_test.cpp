#include "identify/device_names.h"

#include <gtest/gtest.h>

namespace {

TEST(DeviceNames, GiveTheNumbersOfTheDevicesTheScanCanOpenByName)
{
    // What the system lists besides drives and ports, and names a path
    // "\\.\PhysicalDrive%d" never opens (leading zeros, signs, other text).
    const std::vector<std::string> names = {"PhysicalDrive40",
                                            "C:",
                                            "PhysicalDrive3",
                                            "Scsi17:",
                                            "PhysicalDrive3",
                                            "Scsi2:",
                                            "PhysicalDrive",
                                            "PhysicalDrive007",
                                            "PhysicalDrive-1",
                                            "PhysicalDrive4x",
                                            "Scsi5",
                                            "physicaldrive9",
                                            "PhysicalDrive1234567",
                                            "Scsi:",
                                            "Harddisk0Partition1",
                                            "PhysicalDrive0"};
    EXPECT_EQ((std::vector<int>{0, 3, 40}), NumbersOfNames(names, "PhysicalDrive", ""));
    EXPECT_EQ((std::vector<int>{2, 17}), NumbersOfNames(names, "Scsi", ":"));
    EXPECT_EQ(std::vector<int>(), NumbersOfNames({}, "Scsi", ":"));
}

} // namespace
