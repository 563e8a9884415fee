#include "unattended/report_text.h"

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
    // ';' and TAB too: a reader that splits there keeps the field whole where
    // it begins a cell, and CsvField guards the cells it begins inside.
    if (text.find_first_of(",;\t\"\r\n") != std::string::npos)
        return true;
    // Spreadsheets trim unquoted edge blanks; quotes keep the text exact.
    return text.front() == ' ' || text.back() == ' ';
}

bool IsFormulaStart(char c)
{
    return std::string("=+-@\t\r").find(c) != std::string::npos;
}

// A spreadsheet takes a cell that starts with one of these as a formula,
// quoted or not, and the drive chooses its own model and serial texts.
bool StartsLikeAFormula(const std::string& text)
{
    return !text.empty() && IsFormulaStart(text.front());
}

// Where a cell begins inside a quoted field, for a spreadsheet that splits at
// ';' or TAB: it honours a quote only where a cell begins, so the field's
// quotes keep none of these in.
bool BeginsACell(char c)
{
    return std::string(";\t\r\n").find(c) != std::string::npos;
}

// Whether a cell that begins at `written[at]` would run, or would begin with
// a quote, which Calc and Excel read up to different ends. Blanks are passed
// over: Calc skips them before a quote, and its "Trim spaces" option drops
// them from an unquoted cell.
bool BeginsAnUnsafeCell(const std::string& written, std::size_t at)
{
    at = written.find_first_not_of(' ', at);
    return at != std::string::npos && (written[at] == '"' || IsFormulaStart(written[at]));
}

// How many bytes the UTF-8 character that `lead` begins has (RFC 3629); 0
// for a byte that begins none.
std::size_t Utf8Length(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
}

// Whether `next` may follow `lead` as a character's second byte: some leads
// narrow it, so that no overlong form, surrogate or value above U+10FFFF
// is taken.
bool IsSecondByte(unsigned char lead, unsigned char next)
{
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    return next >= low && next <= high;
}

// The bytes of the UTF-8 character at `text[at]`, with `whole` set; or, when
// the bytes there are not one, how many of them begin one (at least 1), with
// `whole` cleared.
std::size_t Utf8Character(const std::string& text, std::size_t at, bool& whole)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = Utf8Length(lead);
    std::size_t done = 1;
    while (done < length && at + done < text.size()) {
        const unsigned char next = static_cast<unsigned char>(text[at + done]);
        if (done == 1 ? !IsSecondByte(lead, next) : (next < 0x80 || next > 0xBF))
            break;
        ++done;
    }
    whole = length > 0 && done == length;
    return done;
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

// A text, or null when the facts it comes from were not read.
std::string JsonFact(bool read, const std::string& text)
{
    return read ? JsonString(text) : "null";
}

void AppendJsonScannedDrive(std::string& out, const ScannedDrive& drive)
{
    const DriveFacts& facts = drive.facts;
    const bool read =
        drive.outcome == DriveOutcome::Read || drive.outcome == DriveOutcome::SameDrive;
    const bool givenUp = drive.outcome == DriveOutcome::GivenUp;
    out += "    {\"where\": " + JsonString(drive.where);
    out += ", \"bus\": " + JsonFact(facts.read, BusName(facts.bus));
    out += ", \"adapter_bus\": " + JsonFact(facts.read, BusName(facts.adapterBus));
    out += ", \"removable\": ";
    out += facts.read ? BoolText(facts.removable) : "null";
    out += ", \"vendor\": " + JsonFact(facts.read, facts.vendor);
    out += ", \"product\": " + JsonFact(facts.read, facts.product);
    out += ", \"revision\": " + JsonFact(facts.read, facts.revision);
    out += ", \"usb_id\": " + JsonFact(!drive.usbId.empty(), drive.usbId);
    out += ", \"outcome\": " + JsonString(OutcomeKey(drive.outcome));
    out += ", \"request\": " +
           (read || givenUp
                ? JsonString(StepKey(read ? ScanStep::Identify : drive.step, drive.request))
                : "null");
    out += ", \"error\": ";
    out += drive.outcome == DriveOutcome::NotOpened ? std::to_string(drive.error) : "null";
    out += ", \"same_as\": " + JsonFact(drive.outcome == DriveOutcome::SameDrive, drive.sameAs);
    out += ", \"verdict_incomplete\": ";
    out += BoolText(MakesVerdictIncomplete(drive));
    out += "}";
}

// A JSON array of `items`, each written by `append`, one to a line.
template <typename Item, typename Append>
std::string JsonArray(const std::vector<Item>& items, Append append)
{
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        append(out, items[i]);
    }
    return out + (items.empty() ? "]" : "\n  ]");
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
    std::string written; // the text, quotes doubled, and the closing quote
    for (char c : text) {
        if (c == '"')
            written += '"';
        written += c;
    }
    written += '"';
    // An apostrophe after each ';', TAB or line break that begins an unsafe
    // cell; the closing quote counts, since a cell that begins with it runs
    // on into the next field or line.
    std::string quoted = "\"";
    for (std::size_t i = 0; i < written.size(); ++i) {
        quoted += written[i];
        if (BeginsACell(written[i]) && BeginsAnUnsafeCell(written, i + 1))
            quoted += '\'';
    }
    return quoted;
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
    std::size_t at = 0;
    while (at < text.size()) {
        bool whole = false;
        const std::size_t length = Utf8Character(text, at, whole);
        const char c = text[at];
        const unsigned char byte = static_cast<unsigned char>(c);
        if (!whole) {
            // A JSON text is UTF-8 (RFC 8259): a strict reader would refuse
            // the whole report for these bytes, so they become U+FFFD.
            out += "\xEF\xBF\xBD";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out.append(text, at, length);
        }
        at += length;
    }
    return out + "\"";
}

std::string JsonReport(const ReportHeader& header, const std::vector<ReportDrive>& drives,
                       const std::vector<ScannedDrive>& scanned)
{
    std::string out = "{\n";
    out += "  \"computer\": " + JsonString(header.computer) + ",\n";
    out += "  \"time\": " + JsonString(header.time) + ",\n";
    out += "  \"version\": " + JsonString(header.version) + ",\n";
    out += "  \"drives\": " + JsonArray(drives, AppendJsonDrive) + ",\n";
    out += "  \"scanned_drives\": " + JsonArray(scanned, AppendJsonScannedDrive) + "\n}\n";
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
