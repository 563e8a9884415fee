#include "identify/identify_scanner.h"

#include "identify/csmi.h"
#include "identify/identify_requests.h"
#include "platform/escaped_exception.h"
#include "platform/std_streams.h"

#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// What one scan shares among its drives.
struct ScanContext {
    TimedDeviceIo& devices;
    StorageTopology& topology;
    bool recording;
};

// What one physical drive or SCSI port gave.
struct TargetResult {
    std::string folder; // a recording's, for this drive or port
    std::vector<ScannedDrive> drives;
    std::vector<IdentifyRow> rows;
    std::vector<RecordedFile> files;
    bool answered = false; // an identify request answered or went silent
    int scsiPort = -1;     // a drive on a RAID bus that gave no row: its port
    bool portRead = false; // a SCSI port: the drives on it are known
};

std::vector<unsigned char> TextBytes(const std::string& text)
{
    return std::vector<unsigned char>(text.begin(), text.end());
}

// Asks one open physical drive, keeping what a recording needs.
class DriveQuestions {
public:
    DriveQuestions(ScanContext& scan, HANDLE handle, int index, TargetResult& result)
        : scan(scan), handle(handle), index(index), result(result)
    {
    }

    // The two descriptors; false when the drive went silent.
    bool ReadFacts(ScannedDrive& drive)
    {
        std::vector<unsigned char> reply;
        if (QueryStorageProperty(scan.devices, handle, StorageDeviceProperty, reply)) {
            Keep(StepKey(ScanStep::DeviceProperty) + ".bin", reply);
            ReadDeviceDescriptorFacts(reply.data(), reply.size(), reply.size(), drive.facts);
        }
        if (GaveUp(drive, ScanStep::DeviceProperty))
            return false;
        if (QueryStorageProperty(scan.devices, handle, StorageAdapterProperty, reply)) {
            Keep(StepKey(ScanStep::AdapterProperty) + ".bin", reply);
            ReadAdapterDescriptorFacts(reply.data(), reply.size(), reply.size(), drive.facts);
        }
        return !GaveUp(drive, ScanStep::AdapterProperty);
    }

    // Sends `request`; true when the drive went silent. The first reply that
    // gives a row becomes the drive's row.
    bool Ask(IdentifyRequest request, ScannedDrive& drive)
    {
        IdentifyReply reply;
        const bool answered = SendIdentifyRequest(scan.devices, handle, index, request, reply);
        if (GaveUp(drive, ScanStep::Identify, request)) {
            result.answered = true;
            return true;
        }
        if (!answered)
            return false;
        result.answered = true;
        Keep(ReplyFileName(request),
             std::vector<unsigned char>(reply.bytes.begin(), reply.bytes.begin() + reply.size));
        DriveRecord read;
        if (result.rows.empty() && MakeReplyDrive(request, reply, read)) {
            result.rows.push_back({index, read, drive.where});
            drive.outcome = DriveOutcome::Read;
            drive.request = request;
        }
        return false;
    }

    // The SCSI port of a drive on a RAID bus: where its members are read.
    void ReadScsiPort(ScannedDrive& drive)
    {
        std::vector<unsigned char> reply;
        int port = -1;
        if (QueryScsiAddress(scan.devices, handle, reply, port)) {
            Keep(StepKey(ScanStep::ScsiAddress) + ".bin", reply);
            result.scsiPort = port;
        }
        GaveUp(drive, ScanStep::ScsiAddress);
    }

    void Keep(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        if (scan.recording)
            result.files.push_back({result.folder, name, bytes});
    }

private:
    bool GaveUp(ScannedDrive& drive, ScanStep step,
                IdentifyRequest request = IdentifyRequest::Smart)
    {
        if (!scan.devices.IsSilent(handle))
            return false;
        drive.outcome = DriveOutcome::GivenUp;
        drive.step = step;
        drive.request = request;
        Keep(StepKey(step, request) + ".hang", {});
        return true;
    }

    ScanContext& scan;
    HANDLE handle;
    int index;
    TargetResult& result;
};

// The bridge's own identify request for a drive behind the USB device with
// hardware id `usbId`; false for a bridge the scan does not know, or may not
// tell from another. `nvme` tells whether the bridge holds NVMe drives.
bool BridgeRequestFor(const std::string& usbId, IdentifyRequest& request, bool& nvme)
{
    UsbId id;
    const BridgeProtocol protocol =
        ParseUsbHardwareId(usbId, id) ? BridgeProtocolFor(id) : BridgeProtocol::None;
    nvme = IsNvmeBridge(protocol);
    return BridgeRequest(protocol, request);
}

bool IsRaidBus(const DriveFacts& facts)
{
    return facts.bus == kBusRaid || facts.adapterBus == kBusRaid;
}

void AskForIdentity(ScanContext& scan, DriveQuestions& questions, ScannedDrive& drive, int index)
{
    if (!questions.ReadFacts(drive))
        return;
    std::vector<IdentifyRequest> requests(std::begin(kIdentifyRequests),
                                          std::end(kIdentifyRequests));
    // A drive that could not say what it is may still sit behind a bridge;
    // the device tree knows, and is read only when some drive asks.
    if (drive.facts.bus == kBusUsb || !drive.facts.read) {
        drive.usbId = scan.topology.UsbHardwareId(index);
        if (!drive.usbId.empty())
            questions.Keep("usb-id.txt", TextBytes(drive.usbId));
        IdentifyRequest bridge;
        if (BridgeRequestFor(drive.usbId, bridge, drive.nvmeBridge))
            requests.push_back(bridge);
    }
    for (IdentifyRequest request : requests) {
        if (drive.outcome == DriveOutcome::Read && !scan.recording)
            return;
        if (questions.Ask(request, drive))
            return;
    }
    if (drive.outcome != DriveOutcome::Read && (IsRaidBus(drive.facts) || !drive.facts.read))
        questions.ReadScsiPort(drive);
}

std::string PhysicalDrivePath(int index)
{
    char path[64];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", index);
    return path;
}

std::string ScsiPortPath(int port)
{
    char path[64];
    std::snprintf(path, sizeof path, "\\\\.\\Scsi%d:", port);
    return path;
}

TargetResult ScanPhysicalDrive(ScanContext& scan, int index)
{
    TargetResult result;
    result.folder = std::to_string(index);
    ScannedDrive drive;
    drive.where = "PhysicalDrive" + std::to_string(index);
    const HANDLE handle = OpenPhysicalDrive(scan.devices, index);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Gone since it was looked up: nothing to account for.
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return result;
        DriveQuestions questions(scan, handle, index, result);
        if (error == ERROR_TIMEOUT) {
            drive.outcome = DriveOutcome::GivenUp;
            drive.step = ScanStep::Open;
            questions.Keep(StepKey(ScanStep::Open) + ".hang", {});
        } else {
            drive.outcome = DriveOutcome::NotOpened;
            drive.error = error;
            questions.Keep(StepKey(ScanStep::Open) + ".error", TextBytes(std::to_string(error)));
        }
        result.drives.push_back(drive);
        return result;
    }
    DriveQuestions questions(scan, handle, index, result);
    AskForIdentity(scan, questions, drive, index);
    scan.devices.Close(handle);
    result.drives.push_back(drive);
    return result;
}

// Asks a RAID driver's SCSI port, through CSMI, for the SATA drives on it
// and their identities, keeping what a recording needs.
class PortQuestions {
public:
    PortQuestions(ScanContext& scan, HANDLE handle, int port, TargetResult& result)
        : scan(scan), handle(handle), port(port), result(result)
    {
    }

    // Sends one CSMI request; false when it failed. `silent` tells whether
    // the port went silent; the step is then marked as never answered.
    bool Send(std::vector<unsigned char>& buffer, DWORD& returned, const std::string& key,
              bool& silent)
    {
        const bool answered = SendCsmiRequest(scan.devices, handle, buffer, returned);
        silent = scan.devices.IsSilent(handle);
        if (silent) {
            Keep(key + ".hang", {});
            result.answered = true;
        }
        return answered && !silent;
    }

    // Keeps the part of a reply behind its header that the driver returned.
    void KeepReply(const std::string& key, const std::vector<unsigned char>& buffer, DWORD returned)
    {
        const std::size_t end = returned < buffer.size() ? returned : buffer.size();
        const std::size_t start = kSrbIoControlSize < end ? kSrbIoControlSize : end;
        Keep(key + ".bin",
             std::vector<unsigned char>(buffer.begin() + start, buffer.begin() + end));
    }

    // Whether the port's driver takes CSMI requests at all.
    bool TakesCsmi()
    {
        std::vector<unsigned char> buffer = CsmiDriverInfoRequest();
        DWORD returned = 0;
        bool silent = false;
        std::string name;
        if (!Send(buffer, returned, StepKey(ScanStep::CsmiDriverInfo), silent))
            return false;
        KeepReply(StepKey(ScanStep::CsmiDriverInfo), buffer, returned);
        return ReadCsmiDriverInfo(buffer.data(), buffer.size(), returned, name);
    }

    // The SATA drives on the port; false when they cannot be told.
    bool ReadDevices(std::vector<CsmiSataDevice>& devices)
    {
        std::vector<unsigned char> buffer = CsmiPhyInfoRequest();
        DWORD returned = 0;
        bool silent = false;
        if (!Send(buffer, returned, StepKey(ScanStep::CsmiPhyInfo), silent))
            return false;
        KeepReply(StepKey(ScanStep::CsmiPhyInfo), buffer, returned);
        return ReadCsmiPhyInfo(buffer.data(), buffer.size(), returned, devices);
    }

    // Asks one drive on the port for its identity.
    ScannedDrive Identify(const CsmiSataDevice& device)
    {
        ScannedDrive drive;
        drive.where = "Scsi" + std::to_string(port) + ": port " + std::to_string(device.portNumber);
        drive.facts.read = true; // the phy info says it is a SATA drive
        drive.facts.bus = kBusSata;
        drive.facts.adapterBus = kBusRaid;
        drive.request = IdentifyRequest::Csmi;
        std::vector<unsigned char> buffer = CsmiIdentifyRequest(device);
        DWORD returned = 0;
        bool silent = false;
        const std::string key = "phy" + std::to_string(device.entry);
        unsigned char sector[kIdentifySectorSize];
        if (Send(buffer, returned, key, silent) &&
            ReadCsmiIdentify(buffer.data(), buffer.size(), returned, sector)) {
            // As with every identify request, a recording keeps the sector alone.
            Keep(key + ".bin", std::vector<unsigned char>(sector, sector + sizeof sector));
            IdentifyReply reply;
            std::memcpy(reply.bytes.data(), sector, sizeof sector);
            reply.size = sizeof sector;
            DriveRecord read;
            if (MakeReplyDrive(IdentifyRequest::Csmi, reply, read)) {
                result.rows.push_back({-1, read, drive.where});
                drive.outcome = DriveOutcome::Read;
            }
        }
        if (silent)
            drive.outcome = DriveOutcome::GivenUp;
        return drive;
    }

    void Keep(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        if (scan.recording)
            result.files.push_back({result.folder, name, bytes});
    }

private:
    ScanContext& scan;
    HANDLE handle;
    int port;
    TargetResult& result;
};

// The SATA drives behind SCSI port `port`, whose driver is `driver`.
TargetResult ScanScsiPort(ScanContext& scan, int port, const std::string& driver)
{
    TargetResult result;
    result.folder = "scsi" + std::to_string(port);
    const HANDLE handle = OpenScsiPort(scan.devices, port);
    PortQuestions questions(scan, handle, port, result);
    questions.Keep("driver.txt", TextBytes(driver));
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        questions.Keep(StepKey(ScanStep::Open) + (error == ERROR_TIMEOUT ? ".hang" : ".error"),
                       error == ERROR_TIMEOUT ? std::vector<unsigned char>()
                                              : TextBytes(std::to_string(error)));
        return result;
    }
    std::vector<CsmiSataDevice> devices;
    if (questions.TakesCsmi() && questions.ReadDevices(devices)) {
        result.portRead = true;
        // Once the port is silent, its other drives are given up at once.
        for (const CsmiSataDevice& device : devices)
            result.drives.push_back(questions.Identify(device));
    }
    scan.devices.Close(handle);
    return result;
}

// Whether a recording keeps the files of `result`: a drive that answered an
// identify request or went silent, or one that could hold an ATA drive.
bool WorthRecording(const TargetResult& result)
{
    if (result.answered || result.portRead)
        return true;
    for (const ScannedDrive& drive : result.drives)
        if (CouldHoldAtaDrive(drive.facts, drive.nvmeBridge))
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

// A physical drive on a RAID bus that gave no identity, on a port whose
// drives were read through the RAID driver, is one of its volumes: those
// drives stand for it.
void MarkRaidVolumes(std::vector<TargetResult>& drives, const std::vector<TargetResult>& ports)
{
    for (TargetResult& result : drives) {
        const bool onReadPort = result.scsiPort >= 0 &&
                                result.scsiPort < static_cast<int>(ports.size()) &&
                                ports[result.scsiPort].portRead;
        for (ScannedDrive& drive : result.drives)
            if (onReadPort && drive.outcome == DriveOutcome::Refused)
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
    TargetResult result;
};

DWORD WINAPI RunTargetJob(void* parameter)
{
    auto* job = static_cast<TargetJob*>(parameter);
    // A job that throws gives nothing; the other jobs still give their drives.
    try {
        job->result = job->drive >= 0 ? ScanPhysicalDrive(*job->scan, job->drive)
                                      : ScanScsiPort(*job->scan, job->port, job->driver);
    } catch (...) {
        NoteCurrentException();
    }
    return 0;
}

// The drives that exist, and the ports whose driver is one known to take
// CSMI requests safely (a port of any other driver is never asked), each a
// job; asking the system's names costs no device anything.
std::vector<TargetJob> TargetJobs(ScanContext& scan)
{
    std::vector<TargetJob> jobs;
    for (int index = 0; index < kPhysicalDriveCount; ++index)
        if (scan.devices.Exists(PhysicalDrivePath(index).c_str()))
            jobs.push_back({&scan, index, -1, std::string(), {}});
    for (int port = 0; port < kScsiPortCount; ++port) {
        if (!scan.devices.Exists(ScsiPortPath(port).c_str()))
            continue;
        const std::string driver = scan.topology.ScsiPortDriver(port);
        if (IsCsmiSafeDriver(driver))
            jobs.push_back({&scan, -1, port, driver, {}});
    }
    return jobs;
}

// Runs the jobs side by side, so that any number of silent devices costs the
// scan one deadline. Every device call of a job has its deadline, so each
// thread ends; a job that gets no thread runs here, in turn.
void RunSideBySide(std::vector<TargetJob>& jobs)
{
    std::vector<HANDLE> threads;
    for (TargetJob& job : jobs) {
        const HANDLE thread = CreateThread(nullptr, kScanThreadStack, RunTargetJob, &job,
                                           STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread)
            threads.push_back(thread);
        else
            RunTargetJob(&job);
    }
    for (std::size_t first = 0; first < threads.size(); first += MAXIMUM_WAIT_OBJECTS) {
        const std::size_t count =
            std::min<std::size_t>(threads.size() - first, MAXIMUM_WAIT_OBJECTS);
        WaitForMultipleObjects(static_cast<DWORD>(count), &threads[first], TRUE, INFINITE);
    }
    for (HANDLE thread : threads)
        CloseHandle(thread);
}

} // namespace

IdentifyScan IdentifyScanner::Run(bool recording)
{
    const std::unique_ptr<StorageTopology> topology = system.ReadTopology(devices);
    ScanContext context{devices, *topology, recording};
    std::vector<TargetJob> jobs = TargetJobs(context);
    RunSideBySide(jobs);
    std::vector<TargetResult> drives;
    std::vector<TargetResult> ports(kScsiPortCount);
    for (TargetJob& job : jobs) {
        if (job.drive >= 0)
            drives.push_back(std::move(job.result));
        else
            ports[job.port] = std::move(job.result);
    }
    MarkRaidVolumes(drives, ports);
    for (TargetResult& port : ports)
        MarkDrivesSeenTwice(drives, port);

    IdentifyScan scan;
    for (TargetResult& result : drives)
        Append(scan, result);
    for (TargetResult& result : ports)
        Append(scan, result);
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

void WriteScannedDriveLines(const std::vector<ScannedDrive>& drives, bool verdict)
{
    for (const ScannedDrive& drive : drives) {
        const std::string line = ScannedDriveLine(drive, kDeviceDeadlineMs, verdict);
        if (!line.empty())
            WriteErrorLine("Vestrel: " + line);
    }
}
