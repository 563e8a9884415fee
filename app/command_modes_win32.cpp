#include "app/command_modes.h"

#include "app/download_request.h"
#include "app/drive_scan.h"
#include "app/report_rows.h"
#include "app/report_text.h"
#include "discovery/parse_warning.h"
#include "identify/identify_recorder.h"
#include "identify/identify_scanner.h"
#include "platform/std_streams.h"

#include <windows.h>

#include <climits>
#include <string>
#include <vector>

namespace {

constexpr char kCaption[] = "Vestrel";
constexpr int kFailed = 2;

// A usage error or a failed write: one line on redirected standard error,
// otherwise a message box.
int Fail(const std::string& line)
{
    if (!WriteErrorLine(std::string("Vestrel: ") + line))
        MessageBoxA(nullptr, line.c_str(), kCaption, MB_OK | MB_ICONERROR);
    return kFailed;
}

int ShowUsage()
{
    HANDLE output = RedirectedStdHandle(STD_OUTPUT_HANDLE);
    if (!output || !WriteAll(output, kUsageText))
        MessageBoxA(nullptr, kUsageText, kCaption, MB_OK | MB_ICONINFORMATION);
    return 0;
}

std::string LastErrorText()
{
    return " (error " + std::to_string(GetLastError()) + ")";
}

// Text in the system code page, as the scans hand it over, to UTF-8.
std::string Utf8FromCodePage(const std::string& text)
{
    if (text.empty() || text.size() > INT_MAX / 4)
        return std::string();
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0)
        return std::string();
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0)
        return std::string();
    std::string utf8(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr,
                        nullptr);
    return utf8;
}

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size))
        return std::string();
    return Utf8FromCodePage(name);
}

// The rows in the window's order with the window's verdict, texts in UTF-8.
std::vector<ReportDrive> ScanReportDrives(DeviceIo& devices)
{
    DriveRecordList records;
    std::vector<SilentRequest> silent;
    const std::vector<DriveRow> rows = ScanDriveRows(records, devices, &silent);
    WriteSilentRequestLines(silent);
    int year = 0;
    const bool haveYear = LocalYear(_time64(nullptr), &year);
    std::vector<ReportDrive> drives;
    for (const DriveRow& row : rows) {
        ReportDrive drive = JudgeRow(row, haveYear ? &year : nullptr);
        drive.model = Utf8FromCodePage(drive.model);
        drive.serial = Utf8FromCodePage(drive.serial);
        drive.firmware = Utf8FromCodePage(drive.firmware);
        drives.push_back(drive);
    }
    return drives;
}

std::string ReportTextFor(const std::string& path, const std::vector<ReportDrive>& drives)
{
    if (!IsJsonReportPath(path))
        return CsvReport(drives);
    const ReportHeader header{ComputerName(), UtcTimeText(_time64(nullptr)), VESTREL_VERSION};
    return JsonReport(header, drives);
}

// Why the report may not replace `path`; empty when it may. Windows refuses
// to replace a read-only file, but not every system that runs this program
// does, so the attribute is checked here.
std::string RefusalToReplace(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::string();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "cannot write " + path + ": it is a folder";
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return "cannot write " + path + ": it is read-only";
    return std::string();
}

// Writes `text` to a temporary file beside `path` and renames it over `path`
// once complete, so that no run leaves a half report or loses the last one.
// Returns the error line, or an empty text on success.
std::string WriteReportFile(const std::string& path, const std::string& text)
{
    char temporary[MAX_PATH];
    if (!GetTempFileNameA(ReportFolder(path).c_str(), "vst", 0, temporary))
        return "cannot write in the folder of " + path + LastErrorText();
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    bool written = file != INVALID_HANDLE_VALUE && WriteAll(file, text) && FlushFileBuffers(file);
    std::string error = written ? std::string() : "cannot write " + path + LastErrorText();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (error.empty())
        error = RefusalToReplace(path);
    if (error.empty() &&
        !MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = "cannot replace " + path + LastErrorText();
    if (!error.empty())
        DeleteFileA(temporary);
    return error;
}

int RunReport(const std::string& path, DeviceIo& devices)
{
    WriteParseWarningsAsText();
    const bool toOutput = path == "-";
    HANDLE output = toOutput ? RedirectedStdHandle(STD_OUTPUT_HANDLE) : nullptr;
    // Checked before the scan, so that a run that cannot write ends at once.
    if (toOutput && !output)
        return Fail(std::string("/report - needs standard output redirected to a file or a "
                                "pipe; ") +
                    kUsageLine);
    const std::string refusal = toOutput ? std::string() : RefusalToReplace(path);
    if (!refusal.empty())
        return Fail(refusal);

    const std::vector<ReportDrive> drives = ScanReportDrives(devices);
    const std::string text = ReportTextFor(toOutput ? std::string() : path, drives);
    if (toOutput) {
        if (!WriteAll(output, text))
            return Fail("cannot write the report to standard output" + LastErrorText());
    } else {
        const std::string error = WriteReportFile(path, text);
        if (!error.empty())
            return Fail(error);
    }
    return ReportVerdict(drives);
}

int RecordReplies(const std::string& directory, DeviceIo& devices)
{
    std::string error;
    return RecordIdentifyReplies(devices, directory, error) ? 0 : Fail(error);
}

} // namespace

int RunCommand(const Command& command, DeviceIo& devices)
{
    switch (command.mode) {
    case CommandMode::Report:
        return RunReport(command.path, devices);
    case CommandMode::Record:
        return RecordReplies(command.path, devices);
    case CommandMode::Help:
        return ShowUsage();
    default:
        return Fail(command.error + "; " + kUsageLine);
    }
}
