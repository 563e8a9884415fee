#pragma once

#include "identify/identify_reply.h"
#include "identify/scanned_drive.h"
#include "platform/device_io.h"
#include "platform/timed_device_io.h"

#include <string>
#include <vector>

// One drive as the identify scan reads it.
struct IdentifyRow {
    int index; // the physical drive's; -1 for a drive reached through a RAID driver
    DriveRecord drive;
    std::string where = std::string(); // "PhysicalDrive0", "Scsi3: port 1"
};

// One file of a recording: the folder of its drive or port ("3", "scsi2"),
// its name and its bytes.
struct RecordedFile {
    std::string folder;
    std::string name;
    std::vector<unsigned char> bytes;
};

// What a scan found.
struct IdentifyScan {
    // The rows, physical drives in index order, then the drives behind RAID
    // drivers by port.
    std::vector<IdentifyRow> rows;
    // Every drive the scan met, in the same order, with how it fared.
    std::vector<ScannedDrive> drives;
    // A recording's folders and files, for the drives worth replaying: those
    // that answered an identify request or went silent, and those that could
    // hold an ATA drive.
    std::vector<std::string> folders;
    std::vector<RecordedFile> files;
};

// Asks every physical drive, indexes 0 to 31, and every device behind a RAID
// driver known to answer CSMI (ports 0 to 15), for its identity. A physical
// drive is asked what it is (the storage device and adapter descriptors),
// then the SMART identify, ATA PASS-THROUGH (16) and (12) and the NVMe
// Identify Controller query; when none gave its row, the bridge's own command
// if it sits behind a USB bridge that the scan knows, then, on a port of
// Intel's RAID driver, that driver's NVMe pass-through. The first reply that
// gives a row is its row, and nothing more is asked. A device no request
// reaches within the deadline is given up. Drives and ports past those the
// scan asks that the system lists are only accounted for: what a drive is,
// and that it was not scanned.
class IdentifyScanner {
public:
    explicit IdentifyScanner(DeviceIo& devices)
        : system(devices), devices(devices, kDeviceDeadlineMs)
    {
    }

    IdentifyScan Scan();

    // The same scan, asking exactly what Scan() asks, in the same order, with
    // what it used to decide and every reply kept as files.
    IdentifyScan Record();

    // The rows of Scan(), and their drives alone.
    std::vector<IdentifyRow> ReadRows();
    std::vector<DriveRecord> ReadDrives();

private:
    IdentifyScan Run(bool recording);

    DeviceIo& system;
    TimedDeviceIo devices;
};

// Tells of each drive given up in one line, as WriteErrorLine writes, and
// with `verdict`, of each drive that makes the verdict incomplete too.
void WriteScannedDriveLines(const std::vector<ScannedDrive>& drives, bool verdict);
