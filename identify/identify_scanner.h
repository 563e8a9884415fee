#pragma once

#include "identify/identify_reply.h"
#include "platform/device_io.h"
#include "platform/timed_device_io.h"

#include <vector>

// One drive as the identify scan reads it, with the physical drive's index.
struct IdentifyRow {
    int index;
    DriveRecord drive;
};

// Asks every physical drive, indexes 0 to 31, for its identity. A drive that
// refuses the SMART identify is asked through ATA PASS-THROUGH (16), then
// (12), then through the NVMe Identify Controller query; the first reply
// that gives a row is its row.
class IdentifyScanner {
public:
    explicit IdentifyScanner(DeviceIo& devices) : devices(devices, kDeviceDeadlineMs) {}

    // The row of each drive that answers, in index order; a drive that
    // answers nothing gives none.
    std::vector<IdentifyRow> ReadRows();

    // The drives of ReadRows(), without their indexes.
    std::vector<DriveRecord> ReadDrives();

    // The drives the last scan gave up, in index order, each with the request
    // it did not answer.
    const std::vector<SilentRequest>& SilentRequests() const { return silent; }

private:
    // Reads the row of drive `index`. Returns false when it gives none.
    bool ReadRow(int index, IdentifyRow& row);

    TimedDeviceIo devices;
    std::vector<SilentRequest> silent;
};

// Tells of each drive in `silent` in one line, as WriteErrorLine writes.
void WriteSilentRequestLines(const std::vector<SilentRequest>& silent);
