#include "rows/drive_scan.h"

#include "discovery/discovery_driver.h"
#include "identify/identify_scanner.h"
#include "platform/escaped_exception.h"
#include "platform/timed_device_io.h"
#include "rows/drive_rows.h"

std::vector<DriveRow> ScanDriveRows(DriveRecordList& records, DeviceIo& devices,
                                    std::vector<ScannedDrive>* scanned)
{
    records.AddAll(DiscoverDrives(devices));
    const IdentifyScan scan = IdentifyScanner(devices).Scan();
    std::vector<DriveRecord> identified;
    for (const IdentifyRow& row : scan.rows)
        identified.push_back(row.drive);
    if (scanned)
        *scanned = scan.drives;
    return ListedRows(records.All(), identified);
}

std::vector<DriveRow> DiscoveredRows(DriveRecordList& records,
                                     const std::vector<DriveRecord>& drives)
{
    records.AddAll(drives);
    return ListedRows(records.All(), {});
}

std::vector<DriveRecord> IdentifiedDrives(DeviceIo& devices)
{
    return IdentifyScanner(devices).ReadDrives();
}

// Shared by the scan's thread and its owner; the last to let go frees it, so
// that a scan left behind never writes into freed memory.
struct BackgroundScan::Job {
    Scan scan;
    DeviceIo* devices;
    std::vector<DriveRecord> drives;
    LONG holders;
};

BackgroundScan::BackgroundScan(Scan scan, DeviceIo& devices) : job(new Job{scan, &devices, {}, 2})
{
    thread = CreateThread(nullptr, kScanThreadStack, Run, job, STACK_SIZE_PARAM_IS_A_RESERVATION,
                          nullptr);
    // Without a thread the scan can still run, only not in the background;
    // every device request it sends keeps its deadline.
    if (!thread)
        Run(job);
}

BackgroundScan::~BackgroundScan()
{
    if (thread)
        CloseHandle(thread);
    LetGo(job);
}

const std::vector<DriveRecord>& BackgroundScan::Drives() const
{
    return job->drives;
}

DWORD WINAPI BackgroundScan::Run(void* parameter)
{
    auto* job = static_cast<Job*>(parameter);
    // A scan that throws finds nothing; the window goes on with the rows it has.
    try {
        job->drives = job->scan(*job->devices);
    } catch (...) {
        NoteCurrentException();
    }
    LetGo(job);
    return 0;
}

void BackgroundScan::LetGo(Job* job)
{
    if (InterlockedDecrement(&job->holders) == 0)
        delete job;
}
