#include "identify/bridge_commands.h"
#include "identify/csmi.h"
#include "identify/rst_nvme.h"
#include "identify/scan_target.h"

#include <winioctl.h>

namespace {

// The bridge's own request for a drive behind the USB device with hardware
// id `usbId`; None for a bridge the scan does not know, or may not tell from
// another. `nvmeOnly` tells whether the bridge holds nothing but NVMe drives.
BridgeProtocol BridgeFor(const std::string& usbId, bool& nvmeOnly)
{
    UsbId id;
    nvmeOnly = false;
    if (!ParseUsbHardwareId(usbId, id))
        return BridgeProtocol::None;
    nvmeOnly = HoldsOnlyNvmeDrives(id);
    return BridgeProtocolFor(id);
}

// Asks one open physical drive, in the scan's order, keeping what a
// recording needs. Each step returns false once the drive went silent: it is
// then given up and asked nothing more.
class DriveQuestions {
public:
    DriveQuestions(ScanContext& scan, HANDLE handle, int index, TargetResult& result,
                   ScannedDrive& drive)
        : scan(scan), handle(handle), index(index), result(result), drive(drive)
    {
    }

    // The two descriptors.
    bool ReadFacts()
    {
        std::vector<unsigned char> reply;
        if (QueryStorageProperty(scan.devices, handle, StorageDeviceProperty, reply)) {
            Keep(StepKey(ScanStep::DeviceProperty) + ".bin", reply);
            ReadDeviceDescriptorFacts(reply.data(), reply.size(), reply.size(), drive.facts);
        }
        if (GaveUp(handle, ScanStep::DeviceProperty))
            return false;
        if (QueryStorageProperty(scan.devices, handle, StorageAdapterProperty, reply)) {
            Keep(StepKey(ScanStep::AdapterProperty) + ".bin", reply);
            ReadAdapterDescriptorFacts(reply.data(), reply.size(), reply.size(), drive.facts);
        }
        return !GaveUp(handle, ScanStep::AdapterProperty);
    }

    // The USB device the drive sits behind, from the device tree: a drive
    // that could not say what it is may sit behind a bridge too.
    BridgeProtocol ReadBridge()
    {
        if (drive.facts.read && drive.facts.bus != kBusUsb)
            return BridgeProtocol::None;
        drive.usbId = scan.topology.UsbHardwareId(index);
        if (!drive.usbId.empty())
            Keep("usb-id.txt", TextBytes(drive.usbId));
        return BridgeFor(drive.usbId, drive.nvmeOnlyBridge);
    }

    // Sends `request`; the first reply that gives a row is the drive's row.
    bool Ask(IdentifyRequest request, int bridgePort = 0)
    {
        IdentifyReply reply;
        const bool answered =
            SendIdentifyRequest(scan.devices, handle, index, request, reply, bridgePort);
        if (GaveUp(handle, ScanStep::Identify, request)) {
            result.answered = true;
            return false;
        }
        if (!answered)
            return true;
        result.answered = true;
        Keep(ReplyFileName(request),
             std::vector<unsigned char>(reply.bytes.begin(), reply.bytes.begin() + reply.size));
        TakeRow(request, reply);
        return true;
    }

    // A JMicron ATA bridge's port of the drive: the register says; -1 when
    // it names both ports or neither, or cannot be read.
    bool ReadJMicronPort(int& port)
    {
        unsigned char value = 0;
        port = -1;
        if (ReadJMicronPortRegister(scan.devices, handle, value)) {
            Keep(StepKey(ScanStep::JMicronPort) + ".bin", {value});
            port = JMicronDrivePort(value);
        }
        return !GaveUp(handle, ScanStep::JMicronPort);
    }

    // The SCSI port and path of a drive that gave no identity.
    bool ReadAddress(DriveAddress& address)
    {
        std::vector<unsigned char> reply;
        if (QueryScsiAddress(scan.devices, handle, reply, address)) {
            Keep(StepKey(ScanStep::ScsiAddress) + ".bin", reply);
            result.scsiPort = address.port;
        }
        return !GaveUp(handle, ScanStep::ScsiAddress);
    }

    // Identify Controller through Intel's RAID driver, on the drive's port.
    bool AskRstNvme(const DriveAddress& address)
    {
        const IdentifyRequest request = IdentifyRequest::RstNvme;
        const HANDLE port = OpenScsiPort(scan.devices, address.port);
        if (port == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_TIMEOUT)
                return true;
            result.answered = true;
            return GiveUp(ScanStep::Identify, request);
        }
        std::vector<unsigned char> buffer =
            RstNvmeIdentifyRequest(static_cast<unsigned char>(address.path));
        DWORD returned = 0;
        const bool answered = SendMiniportRequest(scan.devices, port, buffer, returned);
        const bool silent = GaveUp(port, ScanStep::Identify, request);
        scan.devices.Close(port);
        if (silent) {
            result.answered = true;
            return false;
        }
        IdentifyReply reply;
        if (!answered || !ReadRstNvmeIdentify(buffer.data(), buffer.size(), returned, reply.bytes))
            return true;
        reply.size = reply.bytes.size();
        result.answered = true;
        Keep(ReplyFileName(request),
             std::vector<unsigned char>(reply.bytes.begin(), reply.bytes.end()));
        TakeRow(request, reply);
        return true;
    }

    void Keep(const std::string& name, const std::vector<unsigned char>& bytes)
    {
        KeepFile(scan, result, name, bytes);
    }

    bool Read() const { return drive.outcome == DriveOutcome::Read; }

private:
    void TakeRow(IdentifyRequest request, const IdentifyReply& reply)
    {
        DriveRecord read;
        if (MakeReplyDrive(request, reply, read)) {
            result.rows.push_back({index, read, drive.where});
            drive.outcome = DriveOutcome::Read;
            drive.request = request;
        }
    }

    bool GaveUp(HANDLE device, ScanStep step, IdentifyRequest request = IdentifyRequest::Smart)
    {
        return scan.devices.IsSilent(device) && !GiveUp(step, request);
    }

    // Always false: the drive is asked nothing more.
    bool GiveUp(ScanStep step, IdentifyRequest request)
    {
        drive.outcome = DriveOutcome::GivenUp;
        drive.step = step;
        drive.request = request;
        Keep(StepKey(step, request) + ".hang", {});
        return false;
    }

    ScanContext& scan;
    HANDLE handle;
    int index;
    TargetResult& result;
    ScannedDrive& drive;
};

// The bridge's own command, for a drive behind a USB bridge the scan knows
// that the translation did not read.
bool AskBridge(DriveQuestions& questions, BridgeProtocol protocol)
{
    IdentifyRequest request;
    if (!BridgeRequest(protocol, request))
        return true;
    int port = 0;
    if (protocol == BridgeProtocol::JMicronAta) {
        if (!questions.ReadJMicronPort(port))
            return false;
        if (port < 0)
            return true; // no IDENTIFY: the drive stays unread
    }
    return questions.Ask(request, port);
}

// Intel's NVMe pass-through, for a drive that gave no identity on a port of
// Intel's RAID driver among those the scan asks, told by the driver's name
// before anything is sent.
bool AskRaidDriver(ScanContext& scan, DriveQuestions& questions, const ScannedDrive& drive)
{
    const DriveFacts& facts = drive.facts;
    if (facts.read && !IsRaidBus(facts) && facts.bus != kBusNvme)
        return true;
    DriveAddress address;
    if (!questions.ReadAddress(address))
        return false;
    if (address.port < 0 || address.port >= kScsiPortCount || address.path < 0 ||
        !IsCsmiSafeDriver(scan.topology.ScsiPortDriver(address.port)))
        return true;
    return questions.AskRstNvme(address);
}

// What the drive is, then each request in the scan's order until one gives
// its identity: the standard ones, its bridge's own, Intel's RAID driver's.
void AskForIdentity(ScanContext& scan, DriveQuestions& questions, ScannedDrive& drive,
                    bool identify)
{
    if (!questions.ReadFacts())
        return;
    const BridgeProtocol bridge = questions.ReadBridge();
    if (!identify) {
        drive.outcome = DriveOutcome::NotScanned;
        return;
    }
    for (IdentifyRequest request : kIdentifyRequests)
        if (!questions.Ask(request) || questions.Read())
            return;
    if (!AskBridge(questions, bridge) || questions.Read())
        return;
    AskRaidDriver(scan, questions, drive);
}

// How a drive that would not open is accounted for; false when it is gone.
bool AccountForOpenFailure(ScanContext& scan, int index, DWORD error, TargetResult& result,
                           ScannedDrive& drive)
{
    // Only a second look at the system's names tells a drive that went away
    // from one whose device lingers while it fails.
    if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) &&
        !scan.devices.Exists(PhysicalDrivePath(index).c_str()))
        return false;
    if (error == ERROR_TIMEOUT) {
        drive.outcome = DriveOutcome::GivenUp;
        drive.step = ScanStep::Open;
        KeepFile(scan, result, StepKey(ScanStep::Open) + ".hang", {});
    } else {
        drive.outcome = DriveOutcome::NotOpened;
        drive.error = error;
        KeepFile(scan, result, StepKey(ScanStep::Open) + ".error",
                 TextBytes(std::to_string(error)));
    }
    return true;
}

} // namespace

TargetResult ScanPhysicalDrive(ScanContext& scan, int index, bool identify)
{
    TargetResult result;
    result.folder = std::to_string(index);
    ScannedDrive drive;
    drive.where = "PhysicalDrive" + std::to_string(index);
    const HANDLE handle = OpenPhysicalDrive(scan.devices, index);
    if (handle == INVALID_HANDLE_VALUE) {
        if (AccountForOpenFailure(scan, index, GetLastError(), result, drive)) {
            if (!identify)
                drive.outcome = DriveOutcome::NotScanned;
            result.drives.push_back(drive);
        }
        return result;
    }
    DriveQuestions questions(scan, handle, index, result, drive);
    AskForIdentity(scan, questions, drive, identify);
    scan.devices.Close(handle);
    result.drives.push_back(drive);
    return result;
}
