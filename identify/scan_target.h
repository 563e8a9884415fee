#pragma once

#include "identify/identify_requests.h"
#include "identify/identify_scanner.h"
#include "platform/storage_topology.h"
#include "platform/timed_device_io.h"

#include <string>
#include <vector>

// What one scan shares among the drives and ports it asks side by side.
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
    bool portRead = false; // a SCSI port: its phy table was read
};

std::vector<unsigned char> TextBytes(const std::string& text);

// Keeps a file of the drive's or port's folder when the scan records.
void KeepFile(ScanContext& scan, TargetResult& result, const std::string& name,
              const std::vector<unsigned char>& bytes);

// Asks physical drive `index`: what it is, then, when `identify`, its
// identity, request by request, until one gives it. A drive not asked its
// identity (past those the scan asks) is NotScanned.
TargetResult ScanPhysicalDrive(ScanContext& scan, int index, bool identify);

// Asks SCSI port `port` of Intel's RAID driver `driver`, through CSMI, for
// the SATA drives on it and their identities; with `ask` false (a port past
// those the scan asks) it only stands in the account as NotScanned.
TargetResult ScanScsiPort(ScanContext& scan, int port, const std::string& driver, bool ask);
