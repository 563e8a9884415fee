#pragma once

#include "app/drive_row.h"

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

// 1 when some drive needs a firmware update, else 0.
int ReportVerdict(const std::vector<ReportDrive>& drives);
