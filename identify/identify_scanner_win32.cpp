#include "identify/identify_scanner.h"

#include "identify/identify_requests.h"
#include "platform/std_streams.h"

std::vector<IdentifyRow> IdentifyScanner::ReadRows()
{
    std::vector<IdentifyRow> rows;
    silent.clear();
    for (int index = 0; index < kPhysicalDriveCount; ++index) {
        IdentifyRow row;
        if (ReadRow(index, row))
            rows.push_back(row);
    }
    return rows;
}

std::vector<DriveRecord> IdentifyScanner::ReadDrives()
{
    std::vector<DriveRecord> drives;
    for (const IdentifyRow& row : ReadRows())
        drives.push_back(row.drive);
    return drives;
}

bool IdentifyScanner::ReadRow(int index, IdentifyRow& row)
{
    const HANDLE drive = OpenPhysicalDrive(devices, index);
    if (drive == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    for (IdentifyRequest request : kIdentifyRequests) {
        IdentifyReply reply;
        DriveRecord read;
        const bool answered = SendIdentifyRequest(devices, drive, index, request, reply);
        if (devices.IsSilent(drive)) {
            silent.push_back({index, request});
            break;
        }
        if (answered && MakeReplyDrive(request, reply, read)) {
            row = {index, read};
            found = true;
            break;
        }
    }
    devices.Close(drive);
    return found;
}

void WriteSilentRequestLines(const std::vector<SilentRequest>& silent)
{
    for (const SilentRequest& request : silent)
        WriteErrorLine("Vestrel: " + SilentRequestLine(request, kDeviceDeadlineMs));
}
