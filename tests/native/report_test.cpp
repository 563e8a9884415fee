#include "platform/file_path.h"
#include "rows/download_payload.h"
#include "rows/row_colour.h"
#include "rows/row_text.h"
#include "tests/fuzz/csv_reader.h"
#include "unattended/report_rows.h"
#include "unattended/report_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The address the download button composes for `serial`.
std::string ButtonAddress(const std::string& serial, int year)
{
    char payload[kComposedTextSize];
    BuildDownloadPayload(serial.c_str(), year, payload);
    char address[kDownloadAddressSize];
    BuildDownloadAddress(payload, address);
    return address;
}

TEST(ReportRows, VerdictIsTheRowColourAndThePageIsTheButtonsAddress)
{
    const int year = 2031;
    const std::string longSerial(300, 'S');
    const struct {
        DriveRow row;
        bool enabled; // the button would be enabled for this serial
    } cases[] = {
        {{RowSource::Discovery, "ZQ3104220AS", "cv3104a1", "KC11"}, true},
        {{RowSource::Identify, "ZQ3104220AS", "", "KC2A"}, true},
        {{RowSource::Discovery, "QEMU HARDDISK", "N/A", "1.0"}, false},
        {{RowSource::Identify, "ZQ3104220AS", "AB 12", ""}, false},
        {{RowSource::Discovery, "X", longSerial, "1"}, true},
    };
    for (const auto& c : cases) {
        const ReportDrive drive = JudgeRow(c.row, &year);
        EXPECT_EQ(c.row.source == RowSource::Identify ? "identify" : "discovery", drive.source);
        EXPECT_EQ(c.row.model, drive.model);
        EXPECT_EQ(c.row.serial, drive.serial);
        EXPECT_EQ(c.row.firmware, drive.firmware);
        EXPECT_EQ(RowTextColour(c.row.model, c.row.firmware) == kRedText, drive.updateNeeded)
            << c.row.model << " " << c.row.firmware;
        // The list hands the button at most one cell of the serial.
        const std::string listed = c.row.serial.substr(0, kCellBufferSize - 1);
        EXPECT_EQ(c.enabled ? ButtonAddress(listed, year) : "", drive.downloadPage) << c.row.serial;
        EXPECT_EQ("", JudgeRow(c.row, nullptr).downloadPage) << "no clock, no address";
    }
}

TEST(ReportRows, VerdictIsOneForARedRowElseThreeForADriveThatCouldNotBeReadElseZero)
{
    ReportDrive red;
    red.updateNeeded = true;
    const ReportDrive green;
    ScannedDrive read;
    read.outcome = DriveOutcome::Read;
    ScannedDrive unread; // refused, and nothing known of it: it might be an ATA drive
    ScannedDrive card;
    card.facts.read = true;
    card.facts.bus = 12; // SD
    const struct {
        std::vector<ReportDrive> rows;
        std::vector<ScannedDrive> scanned;
        int verdict;
    } cases[] = {
        {{}, {}, 0},
        {{green, green}, {read}, 0},
        {{green, red}, {read}, 1},
        {{green}, {read, unread}, 3},
        {{red}, {unread}, 1}, // an update needed is the news
        {{green}, {card}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.verdict, ReportVerdict(c.rows, c.scanned)) << c.rows.size() << c.scanned.size();
}

TEST(ReportText, CsvKeepsFormulasInertQuotesOnlyWhatNeedsQuotesAndDoublesQuotes)
{
    const struct {
        std::string text;
        std::string field;
    } cases[] = {
        // A device's texts that a spreadsheet would run: text after one apostrophe.
        {"=1+2", "'=1+2"},
        {"+1", "'+1"},
        {"-2+3", "'-2+3"},
        {"@SUM(1+1)", "'@SUM(1+1)"},
        {"\t=1", "\"'\t'=1\""},
        {"\r=1", "\"'\r'=1\""},
        {"=HYPERLINK(\"http://x\",\"OK\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"OK\"\")\""},
        {"=a,b", "\"'=a,b\""},
        {"'=1", "'=1"},
        {" =1", "\" =1\""},
        {"A=1-2@3", "A=1-2@3"},
        {"", ""},
        {"ZQ3104220AS", "ZQ3104220AS"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {" padded ", "\" padded \""},
        // Quoted, so that a reader splitting at ';' or TAB keeps the field
        // whole where it begins a cell.
        {"=1;2", "\"'=1;2\""},
        {"a;b\tc", "\"a;b\tc\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.field, CsvField(c.text)) << c.text;
}

TEST(ReportText, CsvGivesNoCellThatRunsWhetherSplitAtCommaSemicolonOrTab)
{
    // Split at ';' (the list separator of many locales) or at TAB, Calc and
    // Excel honour a quote only where a cell begins: the field's quotes hold
    // nothing in, and each ';', TAB or line break inside it begins a cell.
    const struct {
        std::string text;
        std::string field;
    } cases[] = {
        {"X;=1+2", "\"X;'=1+2\""},
        {"Z;@SUM(1)", "\"Z;'@SUM(1)\""},
        {"Y\t=2+3", "\"Y\t'=2+3\""},
        {"X;\t=1", "\"X;'\t'=1\""},
        {"X\t;=1", "\"X\t;'=1\""},
        {"=1;=2", "\"'=1;'=2\""},
        {"X;\r\n=1", "\"X;'\r\n'=1\""},
        {"X\r-1\n@2", "\"X\r'-1\n'@2\""},
        // Calc skips blanks before a quote, and may trim them from a cell.
        {"X; =1", "\"X;' =1\""},
        {"X;  \"=1\"", "\"X;'  \"\"=1\"\"\""},
        // A cell that begins with a quote ends where each reader chooses.
        {"X;\"=1", "\"X;'\"\"=1\""},
        {"X\t\"A\"", "\"X\t'\"\"A\"\"\""},
        {"X;\"\"=1", "\"X;'\"\"\"\"=1\""},
        {"\"X;=1\"", "\"\"\"X;'=1\"\"\""},
        // The closing quote too: a cell begun there runs into the next field.
        {"X;", "\"X;'\""},
        {"caf\xc3\xa9\t", "\"caf\xc3\xa9\t'\""},
        {";", "\";'\""},
        {";;\t;", "\";;'\t;'\""},
        {"\t", "\"'\t'\""},
        // Safe as they are: no apostrophe.
        {"X;'=1", "\"X;'=1\""},
        {"a; b\tc", "\"a; b\tc\""},
        {"two\r\nlines", "\"two\r\nlines\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.field, CsvField(c.text)) << c.text;
        // In every column that holds a drive's text, the last one included.
        const std::string csv = CsvReport({{"identify", c.text, c.text, c.text, true, c.text}});
        ASSERT_EQ(2u, CsvLines(csv, ',').size()) << c.text;
        EXPECT_EQ(6u, CsvLines(csv, ',')[1].size()) << c.text;
        for (char separator : {',', ';', '\t'}) {
            for (const CsvCells& line : CsvLines(csv, separator)) {
                for (std::string_view cell : line)
                    EXPECT_TRUE(IsSafeCsvCell(cell, separator)) << c.text << " at " << separator;
            }
        }
    }
    // The reader finds the cells that ran before: quoted, but not guarded.
    for (const char* line : {"a,\"X;=1\"\r\n", "a,\"X\t@1\"\r\n", "a,\"X\r\n-1\"\r\n",
                             "a,\"X; \"\"=1\"\"\"\r\n", "a,\"X;\"\r\n"})
        EXPECT_FALSE(HasOnlySafeCsvCells(line)) << line;
}

TEST(ReportText, CsvHasAHeaderLineAndOneCrlfLinePerDrive)
{
    ReportDrive drive;
    drive.source = "identify";
    drive.model = "M,1";
    drive.serial = "S1";
    drive.firmware = "F\"1";
    drive.updateNeeded = true;
    drive.downloadPage = "https://x/?a=b";
    EXPECT_EQ("source,model,serial,firmware,update_needed,download_page\r\n", CsvReport({}));
    EXPECT_EQ("source,model,serial,firmware,update_needed,download_page\r\n"
              "identify,\"M,1\",S1,\"F\"\"1\",true,https://x/?a=b\r\n"
              "discovery,,,,false,\r\n",
              CsvReport({drive, ReportDrive{"discovery", "", "", "", false, ""}}));
}

TEST(ReportText, JsonEscapesQuotesBackslashesAndControlCharacters)
{
    EXPECT_EQ("\"\"", JsonString(""));
    EXPECT_EQ("\"a\\\"b\\\\c\"", JsonString("a\"b\\c"));
    EXPECT_EQ("\"\\u0000\\u0001\\u001f\\u007f\"", JsonString(std::string("\0\x01\x1f\x7f", 4)));
    EXPECT_EQ("\"\\u000a caf\xc3\xa9\"", JsonString("\n caf\xc3\xa9"));
}

// A strict JSON reader refuses a file with bytes that are not UTF-8; each
// longest run of them that begins a character is one U+FFFD.
TEST(ReportText, JsonKeepsUtf8ExactlyAndWritesWhatIsNotUtf8AsOneReplacementPerRun)
{
    const std::string r = "\xef\xbf\xbd"; // U+FFFD
    const struct {
        std::string text;
        std::string json; // between the quotes
    } cases[] = {
        {"\xc2\x80 \xdf\xbf \xe0\xa0\x80 \xed\x9f\xbf \xee\x80\x80 \xf0\x90\x80\x80 "
         "\xf4\x8f\xbf\xbf",
         "\xc2\x80 \xdf\xbf \xe0\xa0\x80 \xed\x9f\xbf \xee\x80\x80 \xf0\x90\x80\x80 "
         "\xf4\x8f\xbf\xbf"},
        {"\x80", r},
        {"a\xbfz", "a" + r + "z"},
        {"\xe2\x82", r},                                     // cut short at the end
        {"\xe2\x82z", r + "z"},                              // cut short inside
        {"\xf0\x9f\x98", r},                                 // four bytes cut short
        {"\xc0\x80", r + r},                                 // overlong NUL
        {"\xc1\xbf", r + r},                                 // overlong DEL
        {"\xe0\x80\x80", r + r + r},                         // overlong three bytes
        {"\xf0\x80\x80\x80", r + r + r + r},                 // overlong four bytes
        {"\xed\xa0\x80\xed\xbf\xbf", r + r + r + r + r + r}, // surrogates
        {"\xf4\x90\x80\x80", r + r + r + r},                 // above U+10FFFF
        {"\xf5\x80", r + r},
        {"\xff\xfe\"", r + r + "\\\""},
        {"\xc3\x22", r + "\\\""}, // a quote is never eaten
        {"\xe2\x0a", r + "\\u000a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ("\"" + c.json + "\"", JsonString(c.text)) << c.text;
}

TEST(ReportText, JsonHoldsTheHeaderAndTheDrivesInOrder)
{
    const ReportHeader header{"PC-07", "2024-02-29T13:05:09Z", "2.3.0.0"};
    EXPECT_EQ("{\n  \"computer\": \"PC-07\",\n  \"time\": \"2024-02-29T13:05:09Z\",\n"
              "  \"version\": \"2.3.0.0\",\n  \"drives\": [],\n  \"scanned_drives\": []\n}\n",
              JsonReport(header, {}, {}));
    const ReportDrive a{"discovery", "A", "1", "F", true, "https://x"};
    const ReportDrive b{"identify", "B", "2", "G", false, ""};
    const std::string json = JsonReport(header, {a, b}, {});
    EXPECT_NE(std::string::npos,
              json.find("  \"drives\": [\n"
                        "    {\"source\": \"discovery\", \"model\": \"A\", \"serial\": \"1\", "
                        "\"firmware\": \"F\", \"update_needed\": true, "
                        "\"download_page\": \"https://x\"},\n"
                        "    {\"source\": \"identify\", \"model\": \"B\", \"serial\": \"2\", "
                        "\"firmware\": \"G\", \"update_needed\": false, \"download_page\": \"\"}\n"
                        "  ],\n"))
        << json;
}

TEST(ReportText, JsonTellsOfEveryScannedDriveWhatItIsAndHowItFared)
{
    ScannedDrive usb;
    usb.where = "PhysicalDrive2";
    usb.facts = {true, 7, 7, false, "JMicron", "Tech \"X\"", "0508"};
    usb.usbId = "USB\\VID_152D&PID_0578&REV_0508";
    usb.outcome = DriveOutcome::GivenUp;
    usb.step = ScanStep::Identify;
    usb.request = IdentifyRequest::Sat16;
    ScannedDrive locked;
    locked.where = "PhysicalDrive3";
    locked.outcome = DriveOutcome::NotOpened;
    locked.error = 5;
    ScannedDrive twice;
    twice.where = "Scsi2: port 1";
    twice.facts.read = true;
    twice.facts.bus = 11;
    twice.outcome = DriveOutcome::SameDrive;
    twice.request = IdentifyRequest::Csmi;
    twice.sameAs = "PhysicalDrive0";
    const std::string json = JsonReport({"PC", "", ""}, {}, {usb, locked, twice});
    const char* const expected[] = {
        "    {\"where\": \"PhysicalDrive2\", \"bus\": \"USB\", \"adapter_bus\": \"USB\", "
        "\"removable\": false, \"vendor\": \"JMicron\", \"product\": \"Tech \\\"X\\\"\", "
        "\"revision\": \"0508\", \"usb_id\": \"USB\\\\VID_152D&PID_0578&REV_0508\", "
        "\"outcome\": \"given_up\", \"request\": \"sat16\", \"error\": null, \"same_as\": null, "
        "\"verdict_incomplete\": true},\n",
        "    {\"where\": \"PhysicalDrive3\", \"bus\": null, \"adapter_bus\": null, "
        "\"removable\": null, \"vendor\": null, \"product\": null, \"revision\": null, "
        "\"usb_id\": null, \"outcome\": \"not_opened\", \"request\": null, \"error\": 5, "
        "\"same_as\": null, \"verdict_incomplete\": true},\n",
        "\"outcome\": \"same_drive\", \"request\": \"csmi\", \"error\": null, "
        "\"same_as\": \"PhysicalDrive0\", \"verdict_incomplete\": false}\n  ]\n}\n",
    };
    for (const char* part : expected)
        EXPECT_NE(std::string::npos, json.find(part)) << part << "\n" << json;
}

TEST(ReportText, JsonOnlyForANameEndingInDotJson)
{
    EXPECT_TRUE(IsJsonReportPath("C:\\r\\drives.json"));
    EXPECT_TRUE(IsJsonReportPath("D.JSON"));
    EXPECT_FALSE(IsJsonReportPath("drives.json.csv"));
    EXPECT_FALSE(IsJsonReportPath("json"));
    EXPECT_FALSE(IsJsonReportPath("-"));
}

TEST(ReportText, UtcTimeIsIso8601AcrossLeapDaysAndCenturies)
{
    EXPECT_EQ("1970-01-01T00:00:00Z", UtcTimeText(0));
    EXPECT_EQ("2000-02-29T23:59:59Z", UtcTimeText(951868799));
    EXPECT_EQ("2024-02-29T13:05:09Z", UtcTimeText(1709211909));
    EXPECT_EQ("2038-01-19T03:14:08Z", UtcTimeText(2147483648LL));
    EXPECT_EQ("2100-03-01T00:00:00Z", UtcTimeText(4107542400LL));
    EXPECT_EQ("1969-12-31T23:59:59Z", UtcTimeText(-1));
    EXPECT_EQ("9999-12-31T23:59:59Z", UtcTimeText(253402300799LL));
    EXPECT_EQ("", UtcTimeText(253402300800LL));
    EXPECT_EQ("", UtcTimeText(INT64_MIN));
    EXPECT_EQ("", UtcTimeText(INT64_MAX));
}

TEST(ReportText, AFileMadeBesideAnotherGoesInItsFolder)
{
    EXPECT_EQ(".", FolderOfFile("drives.csv"));
    EXPECT_EQ("C:.", FolderOfFile("C:drives.csv"));
    EXPECT_EQ("C:\\", FolderOfFile("C:\\drives.csv"));
    EXPECT_EQ("\\", FolderOfFile("\\drives.csv"));
    EXPECT_EQ("C:\\reports\\pc7", FolderOfFile("C:\\reports\\pc7\\drives.csv"));
    EXPECT_EQ("\\\\srv\\share", FolderOfFile("\\\\srv\\share\\d.json"));
    EXPECT_EQ("out", FolderOfFile("out/drives.csv"));
}

TEST(ReportText, AFolderGivenWithSeparatorsAtTheEndIsMadeUnderItsName)
{
    const struct {
        std::string path;
        std::string name;
    } cases[] = {
        {"C:\\rec\\", "C:\\rec"},
        {"C:\\rec\\//", "C:\\rec"},
        {"rec/", "rec"},
        {"C:\\rec", "C:\\rec"},
        {"C:\\", "C:\\"},
        {"C:\\\\", "C:\\"},
        {"\\", "\\"},
        {"//", "/"},
        {"C:", "C:"},
        {"C:rec\\", "C:rec"},
        {"\\\\srv\\share\\", "\\\\srv\\share"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.name, WithoutTrailingSeparators(c.path)) << c.path;
}

} // namespace
