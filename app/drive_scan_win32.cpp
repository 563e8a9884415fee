#include "app/drive_scan.h"

#include "app/drive_rows.h"
#include "discovery/discovery_driver.h"
#include "identify/identify_scanner.h"
#include "platform/timed_device_io.h"

std::vector<DriveRow> ScanDriveRows(DriveRecordList& records, DeviceIo& devices,
                                    std::vector<ScannedDrive>* scanned)
{
    records.AddAll(DiscoverDrives());
    const IdentifyScan scan = IdentifyScanner(devices).Scan();
    std::vector<DriveRecord> identified;
    for (const IdentifyRow& row : scan.rows)
        identified.push_back(row.drive);
    if (scanned)
        *scanned = scan.drives;
    return ListedRows(records.All(), identified);
}

std::vector<DriveRow> DiscoveredRows(DriveRecordList& records)
{
    records.AddAll(DiscoverDrives());
    return ListedRows(records.All(), {});
}

// Shared by the scan's thread and its owner; the last to let go frees it, so
// that a scan left behind never writes into freed memory.
struct BackgroundIdentify::Job {
    DeviceIo* devices;
    std::vector<DriveRecord> drives;
    LONG holders;
};

BackgroundIdentify::BackgroundIdentify(DeviceIo& devices) : job(new Job{&devices, {}, 2})
{
    thread = CreateThread(nullptr, kScanThreadStack, Run, job, STACK_SIZE_PARAM_IS_A_RESERVATION,
                          nullptr);
    // Without a thread the scan can still run, only not in the background.
    if (!thread)
        Run(job);
}

BackgroundIdentify::~BackgroundIdentify()
{
    if (thread)
        CloseHandle(thread);
    LetGo(job);
}

std::vector<DriveRow> BackgroundIdentify::Rows() const
{
    return ListedRows({}, job->drives);
}

DWORD WINAPI BackgroundIdentify::Run(void* parameter)
{
    auto* job = static_cast<Job*>(parameter);
    job->drives = IdentifyScanner(*job->devices).ReadDrives();
    LetGo(job);
    return 0;
}

void BackgroundIdentify::LetGo(Job* job)
{
    if (InterlockedDecrement(&job->holders) == 0)
        delete job;
}
