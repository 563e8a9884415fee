#include "discovery/drive_record.h"

void DriveRecordList::AddAll(const std::vector<DriveRecord>& found)
{
    records.insert(records.end(), found.begin(), found.end());
}
