#include "unattended/report_rows.h"

#include "rows/download_payload.h"
#include "rows/row_colour.h"
#include "unattended/command_line.h"

ReportDrive JudgeRow(const DriveRow& row, const int* localYear)
{
    ReportDrive drive;
    drive.source = row.source == RowSource::Identify ? "identify" : "discovery";
    drive.model = row.model;
    drive.serial = row.serial;
    drive.firmware = row.firmware;
    drive.updateNeeded = RowTextColour(row.model, row.firmware) == kRedText;
    std::string payload;
    if (localYear)
        ComposeDownloadRequest(row.serial.c_str(), *localYear, payload, drive.downloadPage);
    return drive;
}

int ReportVerdict(const std::vector<ReportDrive>& drives, const std::vector<ScannedDrive>& scanned)
{
    for (const ReportDrive& drive : drives)
        if (drive.updateNeeded)
            return kExitUpdateNeeded;
    for (const ScannedDrive& drive : scanned)
        if (MakesVerdictIncomplete(drive))
            return kExitIncomplete;
    return 0;
}
