#include "identify/scanned_drive.h"

namespace {

const char* const kIncomplete = ", so the verdict is incomplete";

// How a recording and the report name a step besides the identify
// requests, and how a line names it; the identify requests name themselves.
struct StepTexts {
    const char* key;
    const char* name;
};

StepTexts TextsOf(ScanStep step)
{
    switch (step) {
    case ScanStep::Open:
        return {"open", "the open"};
    case ScanStep::DeviceProperty:
        return {"device-property", "the storage device property query"};
    case ScanStep::AdapterProperty:
        return {"adapter-property", "the storage adapter property query"};
    case ScanStep::ScsiAddress:
        return {"scsi-address", "the SCSI address query"};
    case ScanStep::JMicronPort:
        return {"jmicron-port", "the JMicron port register read"};
    case ScanStep::CsmiDriverInfo:
        return {"csmi-driver", "the CSMI driver information request"};
    case ScanStep::CsmiPhyInfo:
        return {"csmi-phys", "the CSMI phy information request"};
    case ScanStep::Identify:
        break;
    }
    return {nullptr, nullptr};
}

std::string StepName(ScanStep step, IdentifyRequest request)
{
    const StepTexts texts = TextsOf(step);
    return texts.name ? texts.name : RequestName(request);
}

// "(USB, JMicron Generic)": what the driver says the drive is.
std::string Described(const DriveFacts& facts)
{
    if (!facts.read)
        return " (what it is could not be read)";
    std::string names = facts.vendor;
    if (!facts.product.empty())
        names += (names.empty() ? "" : " ") + facts.product;
    return " (" + BusName(facts.bus) + (names.empty() ? "" : ", " + names) + ")";
}

} // namespace

std::string OutcomeKey(DriveOutcome outcome)
{
    switch (outcome) {
    case DriveOutcome::Read:
        return "read";
    case DriveOutcome::SameDrive:
        return "same_drive";
    case DriveOutcome::RaidVolume:
        return "raid_volume";
    case DriveOutcome::Refused:
        return "refused";
    case DriveOutcome::GivenUp:
        return "given_up";
    case DriveOutcome::NotOpened:
        return "not_opened";
    case DriveOutcome::NotScanned:
        return "not_scanned";
    }
    return "";
}

std::string StepKey(ScanStep step, IdentifyRequest request)
{
    const StepTexts texts = TextsOf(step);
    return texts.key ? texts.key : RequestKey(request);
}

bool MakesVerdictIncomplete(const ScannedDrive& drive)
{
    if (drive.port)
        return false;
    switch (drive.outcome) {
    case DriveOutcome::Read:
    case DriveOutcome::SameDrive:
    case DriveOutcome::RaidVolume:
        return false;
    case DriveOutcome::Refused:
    case DriveOutcome::GivenUp:
    case DriveOutcome::NotOpened:
    case DriveOutcome::NotScanned:
        break;
    }
    return CouldHoldAtaDrive(drive.facts, drive.nvmeOnlyBridge);
}

std::string ScannedDriveLine(const ScannedDrive& drive, unsigned deadlineMs, bool verdict)
{
    const std::string device = "\\\\.\\" + drive.where;
    const char* const incomplete = verdict && MakesVerdictIncomplete(drive) ? kIncomplete : "";
    switch (drive.outcome) {
    case DriveOutcome::GivenUp:
        return "warning: " + device + " did not answer " + StepName(drive.step, drive.request) +
               " within " + std::to_string(deadlineMs / 1000) + " seconds; the " +
               (drive.port ? "port" : "drive") + " was given up" + incomplete;
    case DriveOutcome::Refused:
        if (*incomplete)
            return "warning: " + device + Described(drive.facts) +
                   " gave its identity to no request" + incomplete;
        break;
    case DriveOutcome::NotOpened:
        if (*incomplete)
            return "warning: " + device + " could not be opened (error " +
                   std::to_string(drive.error) + ")" + incomplete;
        break;
    case DriveOutcome::NotScanned:
        if (*incomplete)
            return "warning: " + device + Described(drive.facts) +
                   " is past the drives the scan asks for their identity" + incomplete;
        break;
    default:
        break;
    }
    return std::string();
}
