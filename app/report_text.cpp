#include "app/report_text.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr char kCsvHeader[] = "source,model,serial,firmware,update_needed,download_page\r\n";

const char* BoolText(bool value)
{
    return value ? "true" : "false";
}

bool NeedsCsvQuotes(const std::string& text)
{
    if (text.empty())
        return false;
    // A spreadsheet whose list separator is ';', or a reader that splits at
    // tabs, would cut an unquoted cell there and run the rest as a formula.
    if (text.find_first_of(",;\t\"\r\n") != std::string::npos)
        return true;
    // Spreadsheets trim unquoted edge blanks; quotes keep the text exact.
    return text.front() == ' ' || text.back() == ' ';
}

// A spreadsheet takes a cell that starts with one of these as a formula,
// quoted or not, and the drive chooses its own model and serial texts.
bool StartsLikeAFormula(const std::string& text)
{
    return !text.empty() && std::string("=+-@\t\r").find(text.front()) != std::string::npos;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void CivilDate(std::int64_t days, std::int64_t& year, int& month, int& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

void AppendJsonDrive(std::string& out, const ReportDrive& drive)
{
    out += "    {\"source\": " + JsonString(drive.source);
    out += ", \"model\": " + JsonString(drive.model);
    out += ", \"serial\": " + JsonString(drive.serial);
    out += ", \"firmware\": " + JsonString(drive.firmware);
    out += ", \"update_needed\": ";
    out += BoolText(drive.updateNeeded);
    out += ", \"download_page\": " + JsonString(drive.downloadPage) + "}";
}

} // namespace

bool IsJsonReportPath(const std::string& path)
{
    constexpr char kSuffix[] = ".json";
    constexpr std::size_t kLength = sizeof kSuffix - 1;
    if (path.size() < kLength)
        return false;
    for (std::size_t i = 0; i < kLength; ++i) {
        const unsigned char c = static_cast<unsigned char>(path[path.size() - kLength + i]);
        if (std::tolower(c) != kSuffix[i])
            return false;
    }
    return true;
}

std::string CsvField(const std::string& cell)
{
    const std::string text = StartsLikeAFormula(cell) ? "'" + cell : cell;
    if (!NeedsCsvQuotes(text))
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string CsvReport(const std::vector<ReportDrive>& drives)
{
    std::string out = kCsvHeader;
    for (const ReportDrive& drive : drives) {
        out += CsvField(drive.source) + "," + CsvField(drive.model) + "," + CsvField(drive.serial) +
               "," + CsvField(drive.firmware) + "," + BoolText(drive.updateNeeded) + "," +
               CsvField(drive.downloadPage) + "\r\n";
    }
    return out;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonReport(const ReportHeader& header, const std::vector<ReportDrive>& drives)
{
    std::string out = "{\n";
    out += "  \"computer\": " + JsonString(header.computer) + ",\n";
    out += "  \"time\": " + JsonString(header.time) + ",\n";
    out += "  \"version\": " + JsonString(header.version) + ",\n";
    out += "  \"drives\": [";
    for (std::size_t i = 0; i < drives.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        AppendJsonDrive(out, drives[i]);
    }
    out += drives.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

std::string UtcTimeText(std::int64_t seconds)
{
    constexpr std::int64_t kDay = 86400;
    std::int64_t days = seconds / kDay;
    std::int64_t rest = seconds % kDay;
    if (rest < 0) {
        rest += kDay;
        --days;
    }
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilDate(days, year, month, day);
    if (year < 0 || year > 9999)
        return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", static_cast<int>(year),
                  month, day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}
