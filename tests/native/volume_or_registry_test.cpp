#include "discovery/volume_or_registry.h"

#include <gtest/gtest.h>

namespace {

struct VersionCase {
    unsigned long platform;
    unsigned long major;
    unsigned long minor;
    bool volumes;
};

TEST(UseVolumeQuery, ChoosesVolumesOnlyForNtSixOneToSixThree)
{
    const VersionCase cases[] = {
        {2, 5, 0, false},
        {2, 5, 1, false},
        {2, 5, 2, false},
        {2, 6, 0, false},
        {2, 6, 1, true},
        {2, 6, 2, true},
        {2, 6, 3, true},
        {2, 10, 0, false},
        {2, 7, 0, false},
        {2, 7, 1, true},
        {2, 4, 9, false},
        {2, 0, 0, false},
        {1, 6, 1, false},
        {0, 6, 1, false},
        {3, 6, 2, false},
        {1, 4, 10, false},
        {2, 6, 0xFFFFFFFFul, true},
    };
    for (const VersionCase& c : cases)
        EXPECT_EQ(c.volumes, UseVolumeQuery(c.platform, c.major, c.minor))
            << "platform " << c.platform << ", version " << c.major << "." << c.minor;
}

} // namespace
