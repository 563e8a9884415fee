#include "rows/drive_rows.h"

namespace {

DriveRow RowOf(RowSource source, const DriveRecord& drive)
{
    return {source, drive.model.c_str(), drive.serial.c_str(), drive.revision.c_str()};
}

} // namespace

std::vector<DriveRow> ListedRows(const std::vector<DriveRecord>& discovered,
                                 const std::vector<DriveRecord>& identified)
{
    std::vector<DriveRow> rows;
    for (const DriveRecord& drive : discovered)
        if (drive.linkSeen && drive.linkActive)
            rows.push_back(RowOf(RowSource::Discovery, drive));
    for (const DriveRecord& drive : identified)
        rows.push_back(RowOf(RowSource::Identify, drive));
    return rows;
}
