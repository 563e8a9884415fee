#include "identify/csmi.h"
#include "identify/scan_target.h"

#include <cstring>

namespace {

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
        const bool answered = SendMiniportRequest(scan.devices, handle, buffer, returned);
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

    // Whether the port's driver takes CSMI requests at all; `entry`, the
    // port's, tells how it fared when not.
    bool TakesCsmi(ScannedDrive& entry)
    {
        std::string name;
        return AskPort(ScanStep::CsmiDriverInfo, CsmiDriverInfoRequest(), entry,
                       [&](const std::vector<unsigned char>& reply, DWORD returned) {
                           return ReadCsmiDriverInfo(reply.data(), reply.size(), returned, name);
                       });
    }

    // The SATA drives on the port; false when they cannot be told.
    bool ReadDevices(std::vector<CsmiSataDevice>& devices, ScannedDrive& entry)
    {
        return AskPort(ScanStep::CsmiPhyInfo, CsmiPhyInfoRequest(), entry,
                       [&](const std::vector<unsigned char>& reply, DWORD returned) {
                           return ReadCsmiPhyInfo(reply.data(), reply.size(), returned, devices);
                       });
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
        KeepFile(scan, result, name, bytes);
    }

private:
    // Sends one of the port's own requests, `step`, and reads its reply with
    // `read`; when either fails, `entry` tells how the port fared.
    template <typename Read>
    bool AskPort(ScanStep step, std::vector<unsigned char> buffer, ScannedDrive& entry, Read read)
    {
        DWORD returned = 0;
        bool silent = false;
        if (Send(buffer, returned, StepKey(step), silent)) {
            KeepReply(StepKey(step), buffer, returned);
            if (read(buffer, returned))
                return true;
        }
        entry.outcome = silent ? DriveOutcome::GivenUp : DriveOutcome::Refused;
        entry.step = step;
        return false;
    }

    ScanContext& scan;
    HANDLE handle;
    int port;
    TargetResult& result;
};

} // namespace

TargetResult ScanScsiPort(ScanContext& scan, int port, const std::string& driver, bool ask)
{
    TargetResult result;
    result.folder = "scsi" + std::to_string(port);
    KeepFile(scan, result, "driver.txt", TextBytes(driver));
    // The port stands in the account when its drives cannot be told.
    ScannedDrive entry;
    entry.where = "Scsi" + std::to_string(port) + ":";
    entry.port = true;
    const HANDLE handle = ask ? OpenScsiPort(scan.devices, port) : INVALID_HANDLE_VALUE;
    if (!ask) {
        entry.outcome = DriveOutcome::NotScanned;
    } else if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool silent = error == ERROR_TIMEOUT;
        KeepFile(scan, result, StepKey(ScanStep::Open) + (silent ? ".hang" : ".error"),
                 silent ? std::vector<unsigned char>() : TextBytes(std::to_string(error)));
        entry.outcome = silent ? DriveOutcome::GivenUp : DriveOutcome::NotOpened;
        entry.step = ScanStep::Open;
        entry.error = error;
    } else {
        PortQuestions questions(scan, handle, port, result);
        std::vector<CsmiSataDevice> devices;
        if (questions.TakesCsmi(entry) && questions.ReadDevices(devices, entry)) {
            result.portRead = true;
            // Once the port is silent, its other drives are given up at once.
            for (const CsmiSataDevice& device : devices)
                result.drives.push_back(questions.Identify(device));
        }
        scan.devices.Close(handle);
    }
    if (!result.portRead)
        result.drives.push_back(entry);
    return result;
}
