#include "unattended/report_mode.h"

#include "discovery/parse_warning.h"
#include "identify/identify_scanner.h"
#include "platform/escaped_exception.h"
#include "platform/replace_file.h"
#include "platform/std_streams.h"
#include "platform/unicode_text.h"
#include "rows/drive_scan.h"
#include "rows/local_year.h"
#include "unattended/command_line.h"
#include "unattended/report_rows.h"
#include "unattended/report_text.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::string ComputerName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    std::string utf8;
    if (!GetComputerNameW(name, &size) || !Utf8FromWide(name, utf8))
        return std::string();
    return utf8;
}

// The texts of a drive's driver, in UTF-8.
ScannedDrive InUtf8(ScannedDrive drive)
{
    drive.facts.vendor = Utf8FromCodePage(drive.facts.vendor);
    drive.facts.product = Utf8FromCodePage(drive.facts.product);
    drive.facts.revision = Utf8FromCodePage(drive.facts.revision);
    drive.usbId = Utf8FromCodePage(drive.usbId);
    return drive;
}

// The rows in the window's order with the window's verdict, and every drive
// the identify scan met, texts in UTF-8. False, with the line that says why in
// `error`, when an exception escaped a thread of the scan: the drives it left
// unread are not even accounted for, so there is no verdict.
bool ScanReportDrives(DeviceIo& devices, std::vector<ReportDrive>& drives,
                      std::vector<ScannedDrive>& scanned, std::string& error)
{
    DriveRecordList records;
    const std::vector<DriveRow> rows = ScanDriveRows(records, devices, &scanned);
    if (TakeEscapedException(error))
        return false;
    WriteScannedDriveLines(scanned, true);
    for (ScannedDrive& drive : scanned)
        drive = InUtf8(drive);
    int year = 0;
    const bool haveYear = LocalYear(_time64(nullptr), &year);
    for (const DriveRow& row : rows) {
        ReportDrive drive = JudgeRow(row, haveYear ? &year : nullptr);
        drive.model = Utf8FromCodePage(drive.model);
        drive.serial = Utf8FromCodePage(drive.serial);
        drive.firmware = Utf8FromCodePage(drive.firmware);
        drives.push_back(drive);
    }
    return true;
}

std::string ReportTextFor(const std::string& path, const std::vector<ReportDrive>& drives,
                          const std::vector<ScannedDrive>& scanned)
{
    if (!IsJsonReportPath(path))
        return CsvReport(drives);
    const ReportHeader header{ComputerName(), UtcTimeText(_time64(nullptr)), VESTREL_VERSION};
    return JsonReport(header, drives, scanned);
}

} // namespace

int RunReport(const std::string& path, DeviceIo& devices, std::string& error)
{
    WriteParseWarningsAsText();
    const bool toOutput = path == "-";
    HANDLE output = toOutput ? RedirectedStdHandle(STD_OUTPUT_HANDLE) : nullptr;
    // Checked before the scan, so that a run that cannot write ends at once.
    if (toOutput && !output) {
        error = std::string("/report - needs standard output redirected to a file or a pipe; ") +
                kUsageLine;
        return kExitFailed;
    }
    error = toOutput ? std::string() : RefusalToReplace(path);
    if (!error.empty())
        return kExitFailed;

    std::vector<ReportDrive> drives;
    std::vector<ScannedDrive> scanned;
    if (!ScanReportDrives(devices, drives, scanned, error))
        return kExitFailed;
    const std::string text = ReportTextFor(toOutput ? std::string() : path, drives, scanned);
    if (toOutput && !WriteAll(output, text))
        error = "cannot write the report to standard output (error " +
                std::to_string(GetLastError()) + ")";
    else if (!toOutput)
        error = ReplaceFileContents(path, text);
    return error.empty() ? ReportVerdict(drives, scanned) : kExitFailed;
}
