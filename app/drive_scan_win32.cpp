#include "app/drive_scan.h"

#include "app/drive_rows.h"
#include "discovery/discovery_driver.h"
#include "identify/identify_scanner.h"

std::vector<DriveRow> ScanDriveRows(DriveRecordList& records, DeviceIo& devices)
{
    records.AddAll(DiscoverDrives());
    const std::vector<DriveRecord> identified = IdentifyScanner(devices).ReadDrives();
    return ListedRows(records.All(), identified);
}
