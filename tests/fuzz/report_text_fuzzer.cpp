#include "tests/fuzz/csv_reader.h"
#include "tests/fuzz/utf8_decoder.h"
#include "unattended/report_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Three drive texts of any bytes, and a scanned drive of any outcome, go
// through both reports, and each report is read back by a strict reader of
// its own format, written from RFC 4180 (csv_reader.h, which also cuts the
// CSV as Calc and Excel do at ';' and TAB) and RFC 8259 rather than from the
// program's writer.

namespace {

void Require(bool holds)
{
    if (!holds)
        std::abort();
}

// A cell's text under RFC 4180: the cell itself, or what its quotes hold
// with each doubled quote one; no quote, CR or LF elsewhere.
std::string CsvText(std::string_view cell)
{
    if (cell.empty() || cell[0] != '"') {
        Require(cell.find_first_of("\"\r\n") == std::string_view::npos);
        return std::string(cell);
    }
    Require(cell.size() > 1 && cell.back() == '"');
    std::string text;
    for (std::size_t i = 1; i + 1 < cell.size(); ++i) {
        Require(cell[i] != '"' || (i + 2 < cell.size() && cell[++i] == '"'));
        text += cell[i];
    }
    return text;
}

// Whether `read` is `text` with apostrophes added, at most one where a cell
// begins: at the start, and after each ';', TAB, CR and LF.
bool AddsApostrophesOnlyWhereCellsBegin(std::string_view read, std::string_view text)
{
    const auto apostrophes = [](std::string_view in, std::size_t at) {
        return std::min(in.find_first_not_of('\'', at), in.size()) - at;
    };
    std::size_t r = 0;
    std::size_t t = 0;
    bool cellBegins = true;
    while (true) {
        if (cellBegins) {
            const std::size_t added = apostrophes(read, r) - apostrophes(text, t);
            if (added > 1) // also where one was taken away: it wraps round
                return false;
            r += added;
        }
        if (r == read.size() || t == text.size())
            return r == read.size() && t == text.size();
        if (read[r] != text[t])
            return false;
        cellBegins = std::string_view(";\t\r\n").find(read[r]) != std::string_view::npos;
        ++r;
        ++t;
    }
}

void CheckCsv(const std::vector<ReportDrive>& drives)
{
    const std::string csv = CsvReport(drives);
    Require(HasOnlySafeCsvCells(csv));
    Require(csv.size() >= 2 && csv.compare(csv.size() - 2, 2, "\r\n") == 0);
    const std::vector<CsvCells> lines = CsvLines(csv, ',');
    Require(lines.size() == drives.size() + 1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Require(lines[i].size() == 6);
        std::vector<std::string> texts;
        for (std::string_view cell : lines[i])
            texts.push_back(CsvText(cell));
        if (i > 0) {
            const ReportDrive& drive = drives[i - 1];
            Require(AddsApostrophesOnlyWhereCellsBegin(texts[1], drive.model) &&
                    AddsApostrophesOnlyWhereCellsBegin(texts[2], drive.serial) &&
                    AddsApostrophesOnlyWhereCellsBegin(texts[3], drive.firmware));
        }
    }
}

// A strict reader of RFC 8259 for what the report writes: objects, arrays,
// strings, true, false, null and integers. Each value is kept under its path
// ("/drives/1/model"): an object or array as how many it holds, a string as a
// quote and its text, the rest as spelled.
struct JsonReader {
    const std::string& text;
    std::size_t at = 0;
    std::map<std::string, std::string> values;

    // Skips blanks; whether the text ends there.
    bool AtEnd()
    {
        at = std::min(text.find_first_not_of(" \t\r\n", at), text.size());
        return at == text.size();
    }

    bool Take(char c)
    {
        if (AtEnd() || text[at] != c)
            return false;
        ++at;
        return true;
    }

    bool Value(const std::string& path)
    {
        std::string value;
        const char close = Take('{') ? '}' : Take('[') ? ']' : '\0';
        if (close != '\0') {
            std::size_t count = 0;
            if (!Take(close)) {
                do {
                    std::string key = close == ']' ? std::to_string(count) : "";
                    if ((close == '}' && !(Take('"') && String(key) && Take(':'))) ||
                        !Value(path + "/" + key))
                        return false;
                    ++count;
                } while (Take(','));
                if (!Take(close))
                    return false;
            }
            value = std::to_string(count);
        } else if (Take('"')) {
            value = "\"";
            if (!String(value))
                return false;
        } else {
            // true, false, null or an integer, which the report writes
            // without fraction or exponent.
            const std::size_t start = at;
            at = std::min(text.find_first_not_of("-0123456789aeflnrstu", at), text.size());
            value = text.substr(start, at - start);
            const std::size_t sign = value.compare(0, 1, "-") == 0;
            const bool integer = value.size() > sign &&
                                 value.find_first_not_of("0123456789", sign) == std::string::npos &&
                                 (value[sign] != '0' || value.size() == sign + 1);
            if (!integer && value != "true" && value != "false" && value != "null")
                return false;
        }
        return values.emplace(path, value).second; // no key twice
    }

    // The rest of a string after its opening quote, unescaped onto `out`.
    bool String(std::string& out)
    {
        while (at < text.size() && text[at] != '"') {
            if (static_cast<unsigned char>(text[at]) < 0x20)
                return false;
            if (text[at] != '\\') {
                out += text[at++];
                continue;
            }
            const std::size_t k = std::string_view("\"\\/bfnrt").find(text[at + 1]);
            if (k != std::string_view::npos) {
                out += "\"\\/\b\f\n\r\t"[k];
                at += 2;
            } else if (text.compare(at, 4, "\\u00") == 0 && text[at + 4] >= '0' &&
                       text[at + 4] <= '7' &&
                       std::isxdigit(static_cast<unsigned char>(text[at + 5]))) {
                // The report escapes by \u only ASCII control characters.
                out += static_cast<char>(std::stoul(text.substr(at + 2, 4), nullptr, 16));
                at += 6;
            } else {
                return false;
            }
        }
        return at++ < text.size(); // the closing quote
    }
};

void CheckJson(const std::vector<ReportDrive>& drives, const ScannedDrive& scanned)
{
    const std::string json =
        JsonReport({"PC", "2024-02-29T13:05:09Z", "2.3.0.0"}, drives, {scanned});
    JsonReader reader{json, 0, {}};
    Require(IsUtf8(json) && reader.Value("") && reader.AtEnd());
    // Texts that are UTF-8, as every text the program converts is, come back
    // exactly; any other bytes as a UTF-8 decoder reads them.
    std::map<std::string, std::string>& values = reader.values;
    const auto holds = [&](const std::string& path, const std::string& text) {
        return values[path] == "\"" + Utf8Decoded(text);
    };
    Require(values["/drives"] == std::to_string(drives.size()) && values["/scanned_drives"] == "1");
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string row = "/drives/" + std::to_string(i) + "/";
        Require(holds(row + "model", drives[i].model) && holds(row + "serial", drives[i].serial) &&
                holds(row + "firmware", drives[i].firmware));
    }
    const std::string met = "/scanned_drives/0/";
    Require(holds(met + "vendor", scanned.facts.vendor) &&
            holds(met + "product", scanned.facts.product) &&
            holds(met + "revision", scanned.facts.revision));
    Require(scanned.usbId.empty() ? values[met + "usb_id"] == "null"
                                  : holds(met + "usb_id", scanned.usbId));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    ReportDrive drive{"identify", "", "", "", input.ConsumeBool(), "https://x/?a=b"};
    // Any outcome: each has fields of its own, a number among them.
    ScannedDrive scanned;
    scanned.outcome = static_cast<DriveOutcome>(
        input.ConsumeIntegralInRange<int>(0, static_cast<int>(DriveOutcome::NotScanned)));
    scanned.error = input.ConsumeIntegral<std::uint16_t>();
    drive.model = input.ConsumeRandomLengthString();
    drive.serial = input.ConsumeRandomLengthString();
    drive.firmware = input.ConsumeRemainingBytesAsString();
    // The same texts in other columns, so that every text ends a field
    // somewhere other than the line's end.
    const ReportDrive turned{"discovery", drive.firmware, drive.model, drive.serial, false, ""};
    CheckCsv({drive, turned});
    // A drive's driver chooses its texts as freely as the drive does.
    scanned.facts.read = true;
    scanned.facts.vendor = drive.model;
    scanned.facts.product = drive.serial;
    scanned.facts.revision = drive.firmware;
    scanned.usbId = drive.model;
    CheckJson({drive, turned}, scanned);
    return 0;
}
