#include "tests/fuzz/utf8_decoder.h"
#include "unattended/report_text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Three drive texts of any bytes go through both reports, and each report is
// read back by a strict reader of its own format, written here from RFC 4180
// and RFC 8259 rather than from the program's writer.

namespace {

using Record = std::vector<std::string>;

void Require(bool holds)
{
    if (!holds)
        std::abort();
}

// One field at `at`; false where RFC 4180 has none: a quote inside an
// unquoted field, a quoted one left open or followed by anything but a comma
// or the record's end.
bool ReadCsvField(const std::string& csv, std::size_t& at, std::string& field)
{
    if (at < csv.size() && csv[at] == '"') {
        for (++at; at < csv.size(); ++at) {
            if (csv[at] != '"') {
                field += csv[at];
            } else if (at + 1 < csv.size() && csv[at + 1] == '"') {
                field += '"';
                ++at;
            } else {
                ++at;
                return true;
            }
        }
        return false;
    }
    for (; at < csv.size() && csv[at] != ',' && csv[at] != '\r' && csv[at] != '\n'; ++at) {
        if (csv[at] == '"')
            return false;
        field += csv[at];
    }
    return true;
}

// The records of `csv`, each ended by CRLF; false on anything RFC 4180 does
// not allow, a line break outside quotes other than a record's end included.
bool ReadCsv(const std::string& csv, std::vector<Record>& records)
{
    Record record;
    std::size_t at = 0;
    while (at < csv.size()) {
        std::string field;
        if (!ReadCsvField(csv, at, field))
            return false;
        record.push_back(field);
        if (at < csv.size() && csv[at] == ',') {
            ++at;
            continue;
        }
        if (csv.compare(at, 2, "\r\n") != 0)
            return false;
        at += 2;
        records.push_back(record);
        record.clear();
    }
    return record.empty();
}

bool IsOneOf(char c, const char* set)
{
    return c != '\0' && std::strchr(set, c) != nullptr;
}

bool IsFormulaStart(char c)
{
    return IsOneOf(c, "=+-@\t\r");
}

// Whether a reader that splits lines at `separator` outside quotes finds a
// cell that begins like a formula. A cell's text begins after its opening
// quote; an empty cell begins nothing.
bool SomeCellRuns(const std::string& csv, char separator)
{
    bool quoted = false;
    bool cellStart = true;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        const bool lineEnd = !quoted && csv.compare(i, 2, "\r\n") == 0;
        if (cellStart && c != separator && !lineEnd) {
            const char first = c == '"' && i + 1 < csv.size() ? csv[i + 1] : c;
            if (IsFormulaStart(first))
                return true;
        }
        cellStart = false;
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == separator || c == '\n'))
            cellStart = true;
    }
    return false;
}

// A JSON value, as much of it as the report uses.
struct Json {
    enum class Kind { Literal, String, Array, Object } kind = Kind::Literal;
    std::string text;              // a string's characters, a literal's spelling
    std::vector<std::string> keys; // an object's, in order
    std::vector<Json> values;      // an array's elements, an object's values
};

// A strict reader of RFC 8259, numbers aside (the report has none): no
// trailing commas, no raw control characters, UTF-8 only, escapes and
// surrogate pairs checked.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text(text) {}

    bool ReadDocument(Json& value)
    {
        if (!ReadValue(value, 0))
            return false;
        SkipSpace();
        return at == text.size();
    }

private:
    void SkipSpace()
    {
        while (at < text.size() && IsOneOf(text[at], " \t\r\n"))
            ++at;
    }

    bool Take(char c)
    {
        SkipSpace();
        if (at >= text.size() || text[at] != c)
            return false;
        ++at;
        return true;
    }

    bool ReadValue(Json& value, int depth)
    {
        SkipSpace();
        if (at >= text.size() || depth > 32)
            return false;
        if (text[at] == '{')
            return ReadObject(value, depth);
        if (text[at] == '[')
            return ReadArray(value, depth);
        if (text[at] == '"') {
            value.kind = Json::Kind::String;
            return ReadString(value.text);
        }
        for (const char* literal : {"true", "false", "null"}) {
            if (text.compare(at, std::strlen(literal), literal) == 0) {
                value.text = literal;
                at += value.text.size();
                return true;
            }
        }
        return false; // a number, which the report never writes
    }

    bool ReadHex4(unsigned& unit)
    {
        if (at + 4 > text.size())
            return false;
        unit = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[at++];
            const char* digits = "0123456789abcdef0123456789ABCDEF";
            if (!IsOneOf(c, digits))
                return false;
            const char* found = std::strchr(digits, c);
            unit = unit * 16 + static_cast<unsigned>((found - digits) % 16);
        }
        return true;
    }

    static void AppendUtf8(std::string& out, unsigned point)
    {
        if (point < 0x80) {
            out += static_cast<char>(point);
        } else if (point < 0x800) {
            out += static_cast<char>(0xC0 | point >> 6);
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += static_cast<char>(0xE0 | point >> 12);
            out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | point >> 18);
            out += static_cast<char>(0x80 | (point >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (point >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        }
    }

    // A \u escape: a surrogate only as the first of a pair.
    bool ReadUnicodeEscape(std::string& out)
    {
        unsigned unit = 0;
        if (!ReadHex4(unit) || (unit >= 0xDC00 && unit <= 0xDFFF))
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            unsigned low = 0;
            if (text.compare(at, 2, "\\u") != 0)
                return false;
            at += 2;
            if (!ReadHex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
    }

    bool ReadEscape(std::string& out)
    {
        if (at >= text.size())
            return false;
        const char c = text[at++];
        const char* const from = "\"\\/bfnrt";
        const char* const to = "\"\\/\b\f\n\r\t";
        if (IsOneOf(c, from)) {
            out += to[std::strchr(from, c) - from];
            return true;
        }
        return c == 'u' && ReadUnicodeEscape(out);
    }

    bool ReadString(std::string& out)
    {
        ++at;            // the opening quote
        std::string raw; // unescaped runs, which must be UTF-8
        while (at < text.size() && text[at] != '"') {
            const unsigned char c = static_cast<unsigned char>(text[at]);
            if (c < 0x20)
                return false;
            if (c == '\\') {
                ++at;
                if (!IsUtf8(raw) || !ReadEscape(out))
                    return false;
                raw.clear();
                continue;
            }
            out += text[at];
            raw += text[at++];
        }
        if (at >= text.size() || !IsUtf8(raw))
            return false;
        ++at;
        return true;
    }

    bool ReadArray(Json& value, int depth)
    {
        value.kind = Json::Kind::Array;
        ++at;
        if (Take(']'))
            return true;
        do {
            value.values.emplace_back();
            if (!ReadValue(value.values.back(), depth + 1))
                return false;
        } while (Take(','));
        return Take(']');
    }

    bool ReadObject(Json& value, int depth)
    {
        value.kind = Json::Kind::Object;
        ++at;
        if (Take('}'))
            return true;
        do {
            std::string key;
            SkipSpace();
            if (at >= text.size() || text[at] != '"' || !ReadString(key) || !Take(':'))
                return false;
            value.keys.push_back(key);
            value.values.emplace_back();
            if (!ReadValue(value.values.back(), depth + 1))
                return false;
        } while (Take(','));
        return Take('}');
    }

    const std::string& text;
    std::size_t at = 0;
};

// The value of `key` in the object `object`; aborts when it has none.
const Json& Member(const Json& object, const std::string& key)
{
    Require(object.kind == Json::Kind::Object);
    for (std::size_t i = 0; i < object.keys.size(); ++i)
        if (object.keys[i] == key)
            return object.values[i];
    std::abort();
}

// The cell as written for `text`: the text itself, or after one apostrophe
// where the text would begin a formula.
bool IsCellFor(const std::string& cell, const std::string& text)
{
    const bool formula = !text.empty() && IsFormulaStart(text[0]);
    return cell == (formula ? "'" + text : text);
}

void CheckCsv(const std::vector<ReportDrive>& drives)
{
    const std::string csv = CsvReport(drives);
    std::vector<Record> records;
    Require(ReadCsv(csv, records));
    Require(records.size() == drives.size() + 1);
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const Record& record = records[i + 1];
        Require(record.size() == 6);
        Require(IsCellFor(record[1], drives[i].model));
        Require(IsCellFor(record[2], drives[i].serial));
        Require(IsCellFor(record[3], drives[i].firmware));
    }
    for (char separator : {',', ';', '\t'})
        Require(!SomeCellRuns(csv, separator));
}

void CheckJson(const std::vector<ReportDrive>& drives)
{
    const ReportHeader header{"PC", "2024-02-29T13:05:09Z", "2.3.0.0"};
    // A drive's driver chooses its texts as freely as the drive does.
    ScannedDrive scanned;
    scanned.where = "PhysicalDrive0";
    scanned.facts.read = true;
    scanned.facts.vendor = drives[0].model;
    scanned.facts.product = drives[0].serial;
    scanned.facts.revision = drives[0].firmware;
    scanned.usbId = drives[0].model;
    const std::string json = JsonReport(header, drives, {scanned});
    Json document;
    Require(JsonReader(json).ReadDocument(document));
    const Json& rows = Member(document, "drives");
    Require(rows.kind == Json::Kind::Array && rows.values.size() == drives.size());
    for (std::size_t i = 0; i < drives.size(); ++i) {
        // Texts that are UTF-8, as every text the program converts is, come
        // back exactly; any other bytes as a UTF-8 decoder reads them.
        Require(Member(rows.values[i], "model").text == Utf8Decoded(drives[i].model));
        Require(Member(rows.values[i], "serial").text == Utf8Decoded(drives[i].serial));
        Require(Member(rows.values[i], "firmware").text == Utf8Decoded(drives[i].firmware));
    }
    const Json& met = Member(document, "scanned_drives");
    Require(met.kind == Json::Kind::Array && met.values.size() == 1);
    Require(Member(met.values[0], "vendor").text == Utf8Decoded(scanned.facts.vendor));
    Require(Member(met.values[0], "product").text == Utf8Decoded(scanned.facts.product));
    Require(Member(met.values[0], "revision").text == Utf8Decoded(scanned.facts.revision));
    Require(Member(met.values[0], "usb_id").kind ==
            (scanned.usbId.empty() ? Json::Kind::Literal : Json::Kind::String));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    ReportDrive drive;
    drive.source = "identify";
    drive.updateNeeded = input.ConsumeBool();
    drive.model = input.ConsumeRandomLengthString();
    drive.serial = input.ConsumeRandomLengthString();
    drive.firmware = input.ConsumeRemainingBytesAsString();
    drive.downloadPage = "https://x/?a=b";
    // The same texts in other columns, so that every text ends a field
    // somewhere other than the line's end.
    const ReportDrive turned{"discovery", drive.firmware, drive.model, drive.serial, false, ""};
    const std::vector<ReportDrive> drives = {drive, turned};
    CheckCsv(drives);
    CheckJson(drives);
    return 0;
}
