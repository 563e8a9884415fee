#pragma once

#include "identify/scanned_drive.h"
#include "unattended/report_rows.h"

#include <cstdint>
#include <string>
#include <vector>

// What the JSON report says about the run besides its drives.
struct ReportHeader {
    std::string computer; // UTF-8
    std::string time;     // UtcTimeText
    std::string version;
};

// True when `path` ends in ".json", in any case: the report is then JSON.
bool IsJsonReportPath(const std::string& path);

// The CSV report (RFC 4180): a header line, one line per drive, CRLF line
// ends. Texts must be UTF-8 already.
std::string CsvReport(const std::vector<ReportDrive>& drives);

// The JSON report: one object with the header's fields, the drives (the
// rows) and every drive the identify scan met, with how it fared. Texts must
// be UTF-8 already.
std::string JsonReport(const ReportHeader& header, const std::vector<ReportDrive>& drives,
                       const std::vector<ScannedDrive>& scanned);

// One CSV field. A text that a spreadsheet would run as a formula (it starts
// with '=', '+', '-', '@', TAB or CR) gets one leading apostrophe, which
// spreadsheets show as text. Then quoted when it holds a comma, a semicolon,
// a TAB, a quote, CR or LF, or starts or ends with a blank; quotes doubled.
// A spreadsheet that splits at ';' or TAB honours a quote only where a cell
// begins, so inside a quoted field each ';', TAB, CR and LF that is followed,
// past any blanks, by one of those formula starts or by a quote (the closing
// one too) gets an apostrophe after it.
std::string CsvField(const std::string& text);

// A JSON string literal of UTF-8 `text`: quote, backslash and every control
// character escaped. Bytes that are not UTF-8 become U+FFFD, one for each
// longest run that begins a character (or one byte), so the JSON is always
// valid and a UTF-8 text comes back exactly.
std::string JsonString(const std::string& text);

// `seconds` since 1970-01-01 UTC as ISO 8601 UTC, "2024-02-29T13:05:09Z".
// Years outside 0 to 9999 give the empty text.
std::string UtcTimeText(std::int64_t seconds);
