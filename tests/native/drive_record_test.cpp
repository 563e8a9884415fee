#include "discovery/drive_record.h"

#include <gtest/gtest.h>

namespace {

TEST(DriveRecordList, KeepsRecordsInOrderWithTheirFlags)
{
    DriveRecordList list;
    EXPECT_EQ(0u, list.Count());

    list.Add({"Model A", "S1", "0130", true, true});
    list.Add({"Model A", "S1", "0130", true, true});
    list.Add({"", "N/A", "Unknown", true, false});
    list.Add({std::string("M\0x", 3), "", "", false, false});

    ASSERT_EQ(4u, list.Count());
    EXPECT_EQ("Model A", list.At(0).model);
    EXPECT_EQ("Model A", list.At(1).model);
    EXPECT_EQ("N/A", list.At(2).serial);
    EXPECT_EQ("Unknown", list.At(2).revision);
    EXPECT_TRUE(list.At(2).linkSeen);
    EXPECT_FALSE(list.At(2).linkActive);
    EXPECT_EQ(3u, list.At(3).model.size());
    EXPECT_THROW(list.At(4), std::out_of_range);
}

TEST(DriveRecordList, CopiesTheTextsItIsGiven)
{
    DriveRecordList list;
    std::string model = "Slim";
    list.Add({model, "S", "R", true, true});
    model[0] = 'X';
    const DriveRecord copy = list.At(0);
    list.Add({"Other", "S2", "R2", false, false});
    EXPECT_EQ("Slim", copy.model);
    EXPECT_EQ("Slim", list.At(0).model);
}

} // namespace
