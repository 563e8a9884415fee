#include "discovery/drive_record.h"

#include <gtest/gtest.h>

namespace {

TEST(DriveRecordList, KeepsRecordsInOrderWithTheirFlags)
{
    DriveRecordList list;
    EXPECT_EQ(0u, list.Count());

    list.AddDriveRecord("Model A", "S1", "0130", 1, 1);
    list.AddDriveRecord("Model A", "S1", "0130", 1, 1);
    list.AddDriveRecord("", "N/A", "Unknown", 1, 0);
    list.AddDriveRecord(std::string("M\0x", 3), "", "", 0, 0);

    ASSERT_EQ(4u, list.Count());
    EXPECT_EQ("Model A", list.At(0).Model());
    EXPECT_EQ("Model A", list.At(1).Model());
    EXPECT_EQ("N/A", list.At(2).Serial());
    EXPECT_EQ("Unknown", list.At(2).Revision());
    EXPECT_EQ(1, list.At(2).LinkSeen());
    EXPECT_EQ(0, list.At(2).LinkActive());
    EXPECT_EQ(3u, list.At(3).Model().size());
    EXPECT_THROW(list.At(4), std::out_of_range);
}

TEST(DriveRecordList, CopiesTheTextsItIsGiven)
{
    DriveRecordList list;
    std::string model = "Slim";
    list.AddDriveRecord(model, "S", "R", 1, 1);
    model[0] = 'X';
    const DriveRecord copy = list.At(0);
    list.AddDriveRecord("Other", "S2", "R2", 0, 0);
    EXPECT_EQ("Slim", copy.Model());
    EXPECT_EQ("Slim", list.At(0).Model());
}

} // namespace
