#pragma once

#include "app/drive_row.h"
#include "identify/identify_text.h"
#include "platform/device_io.h"

#include <windows.h>

#include <vector>

// Asks every physical drive, indexes 0 to 31, for its ATA identity through
// the SMART interface and appends one row per answering drive to the list.
class IdentifyScanner {
public:
    explicit IdentifyScanner(DeviceIo& devices) : devices(devices) {}

    // The row of each drive that answers, drive 0 first, without a window;
    // a drive that fails is skipped silently.
    std::vector<DriveRow> Rows();

    // Appends the rows of Rows() to the list. Returns true when at least one
    // row was added.
    bool ScanDrives(HWND list);

    // Appends the row of one drive: model, serial and firmware revision.
    void AddIdentifyRow(const IdentifyWords& words, HWND list);

private:
    // Opens drive `index`, checks that it takes SMART requests and sends
    // IDENTIFY DEVICE. Returns false when any step fails.
    bool ReadIdentify(int index, IdentifyWords& words);
    bool Identify(HANDLE drive, int index, IdentifyWords& words);

    DeviceIo& devices;
};
