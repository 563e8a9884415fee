#pragma once

#include "identify/drive_facts.h"
#include "identify/identify_reply.h"

#include <string>

// How the identify scan fared with one drive.
enum class DriveOutcome {
    Read,       // a request gave its row
    SameDrive,  // read, but the row of the same drive reached another way stands for it
    RaidVolume, // a RAID volume: its member drives are read through the RAID driver
    Refused,    // no request gave its identity
    GivenUp,    // a request missed its deadline; the drive was asked nothing more
    NotOpened,  // it could not be opened, or no request could be started
    NotScanned, // past the drives and ports the scan asks: what it is was read, nothing more
};

// What the scan sends besides the identify requests, where one may go silent.
enum class ScanStep {
    Open,
    DeviceProperty,
    AdapterProperty,
    ScsiAddress,
    JMicronPort,
    CsmiDriverInfo,
    CsmiPhyInfo,
    Identify, // the request is the drive's `request`
};

// One drive the scan met: a physical drive that exists, or a device behind a
// RAID driver's SCSI port, or such a port that could not be read.
struct ScannedDrive {
    std::string where; // "PhysicalDrive2", "Scsi3: port 1", "Scsi3:"
    bool port = false; // a port that could not be read: its drives count, it does not
    DriveFacts facts;
    std::string usbId;           // the hardware id of the USB bridge it sits behind
    bool nvmeOnlyBridge = false; // that bridge holds nothing but NVMe drives
    DriveOutcome outcome = DriveOutcome::Refused;
    ScanStep step = ScanStep::Identify;               // GivenUp: where it went silent
    IdentifyRequest request = IdentifyRequest::Smart; // Read, and GivenUp at Identify
    unsigned long error = 0;                          // NotOpened: the Windows error
    std::string sameAs;                               // SameDrive: where the row comes from
};

// The report's name of an outcome ("read", "given_up") and of the step a
// drive went silent at ("open", or the request's RequestKey).
std::string OutcomeKey(DriveOutcome outcome);
std::string StepKey(ScanStep step, IdentifyRequest request = IdentifyRequest::Smart);

// Whether the drive could hold an ATA drive and was not read: then nobody can
// say it needs no firmware update. A port is never such a drive itself.
bool MakesVerdictIncomplete(const ScannedDrive& drive);

// The line that tells the user of `drive`: one for each drive given up, and
// with `verdict`, one for each other drive that makes the verdict incomplete
// (and the lines of those given up say so); empty for the rest. `deadlineMs`
// is the deadline a drive given up missed.
std::string ScannedDriveLine(const ScannedDrive& drive, unsigned deadlineMs, bool verdict);
