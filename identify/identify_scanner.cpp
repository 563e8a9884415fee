#include "identify/identify_scanner.h"

#include "app/drive_list.h"
#include "identify/identify_requests.h"

std::vector<IdentifyRow> IdentifyScanner::ReadRows()
{
    std::vector<IdentifyRow> rows;
    for (int index = 0; index < kPhysicalDriveCount; ++index) {
        IdentifyRow row;
        if (ReadRow(index, row))
            rows.push_back(row);
    }
    return rows;
}

bool IdentifyScanner::ScanDrives(HWND list)
{
    const std::vector<IdentifyRow> rows = ReadRows();
    for (const IdentifyRow& row : rows)
        InsertDriveRow(list, row.model.c_str(), row.serial.c_str(), row.firmware.c_str());
    return !rows.empty();
}

bool IdentifyScanner::ReadRow(int index, IdentifyRow& row)
{
    const HANDLE drive = OpenPhysicalDrive(devices, index);
    if (drive == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    for (IdentifyRequest request : kIdentifyRequests) {
        IdentifyReply reply;
        IdentifyRowTexts texts;
        if (SendIdentifyRequest(devices, drive, index, request, reply) &&
            MakeReplyRowTexts(request, reply, texts)) {
            row = {index, texts.model, texts.serial, texts.firmware};
            found = true;
            break;
        }
    }
    devices.Close(drive);
    return found;
}
