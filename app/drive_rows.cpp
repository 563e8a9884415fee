#include "app/drive_rows.h"

#include "app/drive_list.h"
#include "app/program_objects.h"
#include "discovery/discovery_driver.h"
#include "identify/identify_scanner.h"

namespace {

void InsertRows(HWND list, const std::vector<DriveRow>& rows)
{
    for (const DriveRow& row : rows)
        InsertDriveRow(list, row.model.c_str(), row.serial.c_str(), row.firmware.c_str());
}

} // namespace

void PopulateDriveList(HWND list)
{
    DiscoverDrives(g_driveRecords);
    InsertRecordRows(list, g_driveRecords);
}

std::vector<DriveRow> DiscoveryRows(const DriveRecordList& records)
{
    std::vector<DriveRow> rows;
    for (std::size_t i = 0; i < records.Count(); ++i) {
        const DriveRecord& record = records.At(i);
        // Only an attached drive of a registered interface is listed; the
        // volume query sets both flags for every drive it finds.
        if (record.LinkSeen() == 1 && record.LinkActive() == 1)
            rows.push_back({RowSource::Discovery, record.Model().c_str(), record.Serial().c_str(),
                            record.Revision().c_str()});
    }
    return rows;
}

std::vector<DriveRow> ScanDriveRows(DriveRecordList& records, DeviceIo& devices)
{
    DiscoverDrives(records);
    std::vector<DriveRow> rows = DiscoveryRows(records);
    for (const IdentifyRow& drive : IdentifyScanner(devices).ReadRows())
        rows.push_back({RowSource::Identify, drive.model, drive.serial, drive.firmware});
    return rows;
}

void InsertRecordRows(HWND list, const DriveRecordList& records)
{
    InsertRows(list, DiscoveryRows(records));
}

void InsertScannedRows(HWND list, DeviceIo& devices)
{
    InsertRows(list, ScanDriveRows(g_driveRecords, devices));
}
