#include "app/drive_rows.h"

std::vector<DriveRecord> ListedDrives(const std::vector<DriveRecord>& discovered,
                                      const std::vector<DriveRecord>& identified)
{
    std::vector<DriveRecord> listed;
    for (const DriveRecord& drive : discovered)
        if (drive.linkSeen && drive.linkActive)
            listed.push_back(drive);
    listed.insert(listed.end(), identified.begin(), identified.end());
    return listed;
}
