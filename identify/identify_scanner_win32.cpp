#include "identify/identify_scanner.h"

#include "identify/csmi.h"
#include "identify/device_names.h"
#include "identify/scan_target.h"
#include "platform/escaped_exception.h"
#include "platform/side_by_side.h"
#include "platform/std_streams.h"

#include <algorithm>
#include <map>
#include <memory>

namespace {

bool IsPortEntry(const TargetResult& result)
{
    for (const ScannedDrive& drive : result.drives)
        if (drive.port)
            return true;
    return false;
}

// Whether a recording keeps the files of `result`: a drive that answered an
// identify request or went silent, or one that could hold an ATA drive, and
// every port asked.
bool WorthRecording(const TargetResult& result)
{
    if (result.answered || result.portRead || IsPortEntry(result))
        return true;
    for (const ScannedDrive& drive : result.drives)
        if (CouldHoldAtaDrive(drive.facts, drive.nvmeOnlyBridge))
            return true;
    return false;
}

void Append(IdentifyScan& scan, TargetResult& result)
{
    scan.rows.insert(scan.rows.end(), result.rows.begin(), result.rows.end());
    scan.drives.insert(scan.drives.end(), result.drives.begin(), result.drives.end());
    if (!result.folder.empty() && WorthRecording(result)) {
        scan.folders.push_back(result.folder);
        scan.files.insert(scan.files.end(), result.files.begin(), result.files.end());
    }
}

// Whether the drives behind a port stand for its RAID volumes: the port's
// phy table listed at least one drive, and every drive it listed was read.
bool CoversItsVolumes(const TargetResult& port)
{
    if (!port.portRead || port.drives.empty())
        return false;
    for (const ScannedDrive& drive : port.drives)
        if (drive.outcome != DriveOutcome::Read && drive.outcome != DriveOutcome::SameDrive)
            return false;
    return true;
}

// A physical drive on a RAID bus that gave no identity, on a port whose
// drives were all read through the RAID driver, is one of its volumes: those
// drives stand for it. An NVMe drive of Intel's driver is none.
void MarkRaidVolumes(std::vector<TargetResult>& drives, const std::map<int, TargetResult>& ports)
{
    for (TargetResult& result : drives) {
        const auto port = ports.find(result.scsiPort);
        if (port == ports.end() || !CoversItsVolumes(port->second))
            continue;
        for (ScannedDrive& drive : result.drives)
            if (drive.outcome == DriveOutcome::Refused && !NamesNvmeBehindRaid(drive.facts))
                drive.outcome = DriveOutcome::RaidVolume;
    }
}

// A drive behind the RAID driver that is also a physical drive (a disk the
// driver passes through) keeps the physical drive's row alone.
void MarkDrivesSeenTwice(const std::vector<TargetResult>& drives, TargetResult& port)
{
    for (ScannedDrive& drive : port.drives) {
        if (drive.outcome != DriveOutcome::Read)
            continue;
        const auto row = std::find_if(port.rows.begin(), port.rows.end(),
                                      [&](const IdentifyRow& r) { return r.where == drive.where; });
        for (const TargetResult& physical : drives)
            for (const IdentifyRow& other : physical.rows)
                if (row != port.rows.end() && other.drive.model == row->drive.model &&
                    other.drive.serial == row->drive.serial) {
                    drive.outcome = DriveOutcome::SameDrive;
                    drive.sameAs = other.where;
                }
        if (drive.outcome == DriveOutcome::SameDrive && row != port.rows.end())
            port.rows.erase(row);
    }
}

// One drive's or port's scan, on a thread of its own.
struct TargetJob {
    ScanContext* scan;
    int drive;          // a physical drive's index, or -1
    int port;           // a SCSI port's number, or -1
    std::string driver; // the port's driver
    bool identify;      // within the drives and ports the scan asks
    TargetResult result;
};

DWORD WINAPI RunTargetJob(void* parameter)
{
    auto* job = static_cast<TargetJob*>(parameter);
    // A job that throws gives nothing; the other jobs still give their drives.
    try {
        job->result = job->drive >= 0
                          ? ScanPhysicalDrive(*job->scan, job->drive, job->identify)
                          : ScanScsiPort(*job->scan, job->port, job->driver, job->identify);
    } catch (...) {
        NoteCurrentException();
    }
    return 0;
}

// The numbers of the drives or ports that exist: those the scan asks, looked
// up one by one, and any past them that the system lists. Asking the
// system's names costs no device anything.
std::vector<int> ExistingNumbers(ScanContext& scan, const std::vector<std::string>& names,
                                 const char* prefix, const char* suffix, int asked,
                                 std::string (*path)(int))
{
    std::vector<int> numbers;
    for (int number = 0; number < asked; ++number)
        if (scan.devices.Exists(path(number).c_str()))
            numbers.push_back(number);
    for (int number : NumbersOfNames(names, prefix, suffix))
        if (number >= asked)
            numbers.push_back(number);
    return numbers;
}

// The drives that exist, and the ports whose driver is one known to take
// CSMI requests safely (a port of any other driver is never asked), each a
// job. Those past the ones the scan asks are only accounted for.
std::vector<TargetJob> TargetJobs(ScanContext& scan)
{
    const std::vector<std::string> names = scan.devices.DeviceNames();
    std::vector<TargetJob> jobs;
    for (int index :
         ExistingNumbers(scan, names, "PhysicalDrive", "", kPhysicalDriveCount, PhysicalDrivePath))
        jobs.push_back({&scan, index, -1, std::string(), index < kPhysicalDriveCount, {}});
    for (int port : ExistingNumbers(scan, names, "Scsi", ":", kScsiPortCount, ScsiPortPath)) {
        const std::string driver = scan.topology.ScsiPortDriver(port);
        if (IsCsmiSafeDriver(driver))
            jobs.push_back({&scan, -1, port, driver, port < kScsiPortCount, {}});
    }
    return jobs;
}

// Runs the jobs side by side, so that any number of silent devices costs the
// scan one deadline. Every device call of a job has its deadline, so each
// thread ends.
void RunTargetJobs(std::vector<TargetJob>& jobs)
{
    std::vector<void*> parameters;
    for (TargetJob& job : jobs)
        parameters.push_back(&job);
    RunSideBySide(RunTargetJob, parameters);
}

} // namespace

IdentifyScan IdentifyScanner::Run(bool recording)
{
    const std::unique_ptr<StorageTopology> topology = system.ReadTopology(devices);
    ScanContext context{devices, *topology, recording};
    std::vector<TargetJob> jobs = TargetJobs(context);
    RunTargetJobs(jobs);
    std::vector<TargetResult> drives;
    std::map<int, TargetResult> ports;
    for (TargetJob& job : jobs) {
        if (job.drive >= 0)
            drives.push_back(std::move(job.result));
        else
            ports[job.port] = std::move(job.result);
    }
    for (auto& port : ports)
        MarkDrivesSeenTwice(drives, port.second);
    MarkRaidVolumes(drives, ports);

    IdentifyScan scan;
    for (TargetResult& result : drives)
        Append(scan, result);
    for (auto& port : ports)
        Append(scan, port.second);
    return scan;
}

IdentifyScan IdentifyScanner::Scan()
{
    return Run(false);
}

IdentifyScan IdentifyScanner::Record()
{
    return Run(true);
}

std::vector<IdentifyRow> IdentifyScanner::ReadRows()
{
    return Scan().rows;
}

std::vector<DriveRecord> IdentifyScanner::ReadDrives()
{
    std::vector<DriveRecord> drives;
    for (const IdentifyRow& row : ReadRows())
        drives.push_back(row.drive);
    return drives;
}

std::vector<unsigned char> TextBytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

void KeepFile(ScanContext& scan, TargetResult& result, const std::string& name,
              const std::vector<unsigned char>& bytes)
{
    if (scan.recording)
        result.files.push_back({result.folder, name, bytes});
}

void WriteScannedDriveLines(const std::vector<ScannedDrive>& drives, bool verdict)
{
    for (const ScannedDrive& drive : drives) {
        const std::string line = ScannedDriveLine(drive, kDeviceDeadlineMs, verdict);
        if (!line.empty())
            WriteErrorLine("Vestrel: " + line);
    }
}
