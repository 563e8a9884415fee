#include "app/drive_list.h"
#include "app/main_window.h"
#include "app/program_state.h"
#include "rows/drive_rows.h"
#include "rows/drive_scan.h"
#include "tests/win32/support/one_smart_drive.h"
#include "tests/win32/support/program_window.h"

#include <commctrl.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

std::vector<Row> ListRows()
{
    std::vector<Row> rows;
    const int count = static_cast<int>(SendMessageA(g_hDriveList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        rows.push_back({CellText(g_hDriveList, row, 0), CellText(g_hDriveList, row, 1),
                        CellText(g_hDriveList, row, 2)});
    return rows;
}

std::vector<Row> QualifyingRows(const DriveRecordList& records)
{
    std::vector<Row> rows;
    for (std::size_t i = 0; i < records.Count(); ++i)
        if (records.At(i).linkSeen && records.At(i).linkActive)
            rows.push_back({records.At(i).model, records.At(i).serial, records.At(i).revision});
    return rows;
}

using RecordRows = ProgramWindowTest;

TEST_F(RecordRows, OnlyLinkedActiveRecordsGiveRowsInListOrder)
{
    DriveRecordList records;
    records.Add({"ZQ3104220AS", "PL0001", "KC11", true, true});
    records.Add({"Detached", "D1", "1", true, false});
    records.Add({"Unlinked", "U1", "1", false, false});
    records.Add({"Odd", "O1", "1", false, true});
    records.Add({"External Disk", "", "Unknown", true, true});
    records.Add({"Slim  ", "N/A", "0130", true, true});
    records.Add({"ZQ3104220AS", "PL0001", "KC11", true, true});

    InsertDriveRows(g_hDriveList, ListedRows(records.All(), {}));

    EXPECT_EQ((std::vector<Row>{
                  {"ZQ3104220AS", "PL0001", "KC11"},
                  {"External Disk", "", "Unknown"},
                  {"Slim  ", "N/A", "0130"},
                  {"ZQ3104220AS", "PL0001", "KC11"},
              }),
              ListRows());
}

TEST_F(RecordRows, NoRecordsGiveNoRows)
{
    InsertDriveRows(g_hDriveList, ListedRows({}, {}));
    EXPECT_TRUE(ListRows().empty());
}

// Start-up: discovery's rows, in discovery order, come before the rows of the
// identify scan.
TEST_F(RecordRows, DiscoveryRowsComeBeforeIdentifyRows)
{
    // The record list is program-wide and not cleared by discovery, so
    // records already in it stand for what discovery finds first.
    g_driveRecords.Add({"First", "F1", "1", true, true});
    g_driveRecords.Add({"Hidden", "H1", "1", true, false});
    g_driveRecords.Add({"Second", "S2", "2", true, true});

    OneSmartDrive drive("IDENTIFIED MODEL", "", "");
    InsertDriveRows(g_hDriveList, ScanDriveRows(g_driveRecords, drive));

    std::vector<Row> expected = QualifyingRows(g_driveRecords);
    ASSERT_GE(expected.size(), 2u);
    EXPECT_EQ((Row{"First", "F1", "1"}), expected[0]);
    EXPECT_EQ((Row{"Second", "S2", "2"}), expected[1]);
    const std::vector<Row> rows = ListRows();
    ASSERT_EQ(expected.size() + 1, rows.size());
    EXPECT_EQ(expected, std::vector<Row>(rows.begin(), rows.end() - 1));
    EXPECT_EQ("IDENTIFIED MODEL", rows.back()[0]);
}

} // namespace
