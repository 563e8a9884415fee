#include "advisory/advisory.h"
#include "rows/row_colour.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RowColour, RedOnlyForAnAffectedModelWithoutAFixedRevision)
{
    EXPECT_EQ(kRedText, RowTextColour("ZQ3104220AS", "KC11"));
    EXPECT_EQ(kRedText, RowTextColour("ZQP30960800AS", ""));
    EXPECT_EQ(kGreenText, RowTextColour("ZQ3104220AS", "KC2A"));
    EXPECT_EQ(kGreenText, RowTextColour("QEMU HARDDISK", "KC11"));
    EXPECT_EQ(kGreenText, RowTextColour("", ""));
    // Whole-text, case-sensitive lookups: near misses are other models.
    EXPECT_EQ(kGreenText, RowTextColour("zq3104220as", "KC11"));
    EXPECT_EQ(kGreenText, RowTextColour("ZQ3104220AS ", "KC11"));
    EXPECT_EQ(kRedText, RowTextColour("ZQ3104220AS", "kc2a"));
}

TEST(RowColour, EveryFixedRevisionMakesEveryAffectedModelGreen)
{
    for (const auto& model : kAffectedModels) {
        EXPECT_EQ(kRedText, RowTextColour(std::string(model), "0000")) << model;
        for (const auto& revision : kFixedFirmware)
            EXPECT_EQ(kGreenText, RowTextColour(std::string(model), std::string(revision)))
                << model << " " << revision;
    }
}

} // namespace
