#pragma once

#include "discovery/drive_record.h"
#include "identify/scanned_drive.h"
#include "platform/device_io.h"
#include "rows/drive_row.h"

#include <windows.h>

#include <vector>

// Runs both scans, for the window and the report alike: discovery, whose
// drives are added to `records`, then the identify scan of `devices`. Returns
// the rows of ListedRows over everything `records` holds and the identified
// drives. Every drive the identify scan met, with how it fared, goes to
// `scanned` when given.
std::vector<DriveRow> ScanDriveRows(DriveRecordList& records, DeviceIo& devices,
                                    std::vector<ScannedDrive>* scanned = nullptr);

// Adds `drives`, which discovery found, to `records`, and returns the rows of
// those that the list shows.
std::vector<DriveRow> DiscoveredRows(DriveRecordList& records,
                                     const std::vector<DriveRecord>& drives);

// The drives the identify scan of `devices` finds, in index order.
std::vector<DriveRecord> IdentifiedDrives(DeviceIo& devices);

// A scan of `devices` (the volume query or the identify scan) on a thread of
// its own, started when this is made, so that the thread that made it can go
// on answering its windows. Letting go of a scan that has not ended leaves it
// behind: it ends on its own, or with the process. A scan that throws finds
// no drives, and its exception is noted (platform/escaped_exception.h).
class BackgroundScan {
public:
    using Scan = std::vector<DriveRecord> (*)(DeviceIo& devices);

    BackgroundScan(Scan scan, DeviceIo& devices);
    ~BackgroundScan();
    BackgroundScan(const BackgroundScan&) = delete;
    BackgroundScan& operator=(const BackgroundScan&) = delete;

    // Signalled when the scan has ended; null when it ran before the
    // constructor returned.
    HANDLE Ended() const { return thread; }

    // The drives the scan found, once it has ended.
    const std::vector<DriveRecord>& Drives() const;

private:
    struct Job;
    static DWORD WINAPI Run(void* job);
    static void LetGo(Job* job);

    Job* job;
    HANDLE thread;
};
