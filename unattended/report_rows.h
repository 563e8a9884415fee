#pragma once

#include "identify/scanned_drive.h"
#include "rows/drive_row.h"

#include <string>
#include <vector>

// One drive of the report: the row's texts and the window's verdict on it.
struct ReportDrive {
    std::string source; // "discovery" or "identify"
    std::string model;
    std::string serial;
    std::string firmware;
    bool updateNeeded = false; // the row is red
    std::string downloadPage;  // what "Check for Downloads" opens; empty while it stays disabled
};

// The report's drive for `row`, its texts still in the row's code page. The
// download address carries `localYear`; null (no readable clock) leaves it
// empty, as the button then opens nothing.
ReportDrive JudgeRow(const DriveRow& row, const int* localYear);

// The report's exit code: 1 when some drive needs a firmware update; else 3
// when some drive the identify scan met could hold an ATA drive and could not
// be read, so that nobody can say none needs one; else 0.
int ReportVerdict(const std::vector<ReportDrive>& drives, const std::vector<ScannedDrive>& scanned);
