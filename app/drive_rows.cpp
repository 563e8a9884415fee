#include "app/drive_rows.h"

#include "app/drive_list.h"
#include "app/program_objects.h"
#include "discovery/discovery_driver.h"

void PopulateDriveList(HWND list)
{
    DiscoverDrives(g_driveRecords);
    InsertRecordRows(list, g_driveRecords);
}

void InsertRecordRows(HWND list, const DriveRecordList& records)
{
    for (std::size_t i = 0; i < records.Count(); ++i) {
        const DriveRecord& record = records.At(i);
        // Only an attached drive of a registered interface is listed; the
        // volume query sets both flags for every drive it finds.
        if (record.LinkSeen() == 1 && record.LinkActive() == 1)
            InsertDriveRow(list, record.Model().c_str(), record.Serial().c_str(),
                           record.Revision().c_str());
    }
}
