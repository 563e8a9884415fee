#include "app/report_rows.h"

#include "app/download_payload.h"
#include "app/row_colour.h"
#include "app/row_text.h"
#include "app/serial_text.h"
#include "platform/bounded_text.h"

namespace {

// The address the button opens for a row with this serial: the list hands
// the button at most one cell buffer of it, and only a serial that passes the
// serial test enables the button.
std::string DownloadPage(const std::string& serial, int year)
{
    char cell[kCellBufferSize];
    CopyText(cell, sizeof cell, serial.c_str());
    char checked[kCellBufferSize];
    CopyText(checked, sizeof checked, cell);
    if (!IsValidSerialText(checked))
        return std::string();
    char payload[kComposedTextSize];
    BuildDownloadPayload(cell, year, payload);
    char address[kDownloadAddressSize];
    BuildDownloadAddress(payload, address);
    return address;
}

} // namespace

ReportDrive JudgeRow(const DriveRow& row, const int* localYear)
{
    ReportDrive drive;
    drive.source = row.source == RowSource::Identify ? "identify" : "discovery";
    drive.model = row.model;
    drive.serial = row.serial;
    drive.firmware = row.firmware;
    drive.updateNeeded = RowTextColour(row.model, row.firmware) == kRedText;
    if (localYear)
        drive.downloadPage = DownloadPage(row.serial, *localYear);
    return drive;
}

int ReportVerdict(const std::vector<ReportDrive>& drives)
{
    for (const ReportDrive& drive : drives)
        if (drive.updateNeeded)
            return 1;
    return 0;
}
