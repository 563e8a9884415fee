#include "app/main_window.h"
#include "app/program_state.h"
#include "app/rescan.h"
#include "identify/identify_scanner.h"
#include "platform/escaped_exception.h"
#include "platform/replace_file.h"
#include "platform/timed_device_io.h"
#include "platform/unicode_text.h"
#include "rows/drive_rows.h"
#include "rows/drive_scan.h"
#include "rows/row_colour.h"
#include "tests/win32/support/folder_link.h"
#include "tests/win32/support/one_smart_drive.h"
#include "tests/win32/support/program_process.h"
#include "tests/win32/support/program_window.h"
#include "tests/win32/support/registry_tree.h"
#include "tests/win32/support/remote_rows.h"
#include "tests/win32/support/replay_devices.h"
#include "tests/win32/support/window_probe.h"
#include "unattended/command_line.h"
#include "unattended/command_modes.h"
#include "unattended/report_text.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// Wine reports the version that this key names to the program alone; Windows
// XP selects the registry walk.
constexpr char kVersionKey[] = "Software\\Wine\\AppDefaults\\" VESTREL_EXE_NAME;
constexpr char kDiskInterfaces[] = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
                                   "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const Row kCsvHeader = {"source", "model", "serial", "firmware", "update_needed", "download_page"};

std::string Vestrel(const std::string& arguments)
{
    return "\"" VESTREL_EXE_PATH "\" " + arguments;
}

// The records of an RFC 4180 text: quoted fields may hold commas, quotes
// (doubled) and line breaks; records end in CRLF.
std::vector<Row> CsvRecords(const std::string& csv)
{
    std::vector<Row> records;
    Row record;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted && c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
            field += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            record.push_back(field);
            field.clear();
        } else if (!quoted && c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
            record.push_back(field);
            records.push_back(record);
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.empty() && record.empty()) << "the last record ends in CRLF";
    return records;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string UsbLink(const std::string& deviceType, const std::string& instance)
{
    return DiskLink("USBSTOR", "Disk&" + deviceType, instance);
}

// The test's own registry of drives, read as on Windows XP, and a folder for
// its reports that is removed afterwards.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        version.SetString("", "Version", "winxp");
        char temp[MAX_PATH];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        folder = std::string(temp) + "vestrel-report-test";
        RemoveFolder();
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    }
    void TearDown() override { RemoveFolder(); }

    std::string InFolder(const std::string& name) const { return folder + "\\" + name; }

    std::vector<std::string> FolderFiles() const
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(InFolder("*").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
            if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
                names.push_back(found.cFileName);
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        return names;
    }

    void RemoveFolder()
    {
        for (const std::string& name : FolderFiles()) {
            SetFileAttributesA(InFolder(name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(InFolder(name).c_str());
        }
        RemoveDirectoryA(folder.c_str());
    }

    RegistryTree version{HKEY_CURRENT_USER, kVersionKey};
    RegistryTree devices{HKEY_LOCAL_MACHINE, kDiskInterfaces};
    std::string folder;
};

TEST_F(ReportTest, CsvJsonAndStandardOutputListTheWindowsRowsOfTheDemoDrives)
{
    ASSERT_EQ(0, RunWithPipes("reg.exe import \"" VESTREL_DEMO_DRIVES "\"").exitCode);

    const std::string csvPath = InFolder("drives.csv");
    const std::string jsonPath = InFolder("drives.JSON");
    EXPECT_EQ(1, RunWithPipes(Vestrel("/report \"" + csvPath + "\"")).exitCode);
    EXPECT_EQ(1, RunWithPipes(Vestrel("-Report \"" + jsonPath + "\"")).exitCode);
    const ProgramRun piped = RunWithPipes(Vestrel("/report -"));
    EXPECT_EQ(1, piped.exitCode);
    EXPECT_EQ("", piped.error);

    ProgramProcess window(VESTREL_EXE_PATH);
    ASSERT_TRUE(window.Started()) << GetLastError();
    const HWND main = window.MainWindow();
    ASSERT_NE(nullptr, main);
    const std::vector<Row> shown =
        RemoteRows(window.Handle(), FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr));
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, window.ExitCode());
    ASSERT_GE(shown.size(), 5u) << "the demo lists drives";

    const std::string csv = ReadWholeFile(csvPath);
    EXPECT_EQ(csv, piped.output);
    const std::vector<Row> records = CsvRecords(csv);
    ASSERT_EQ(shown.size() + 1, records.size());
    EXPECT_EQ(kCsvHeader, records[0]);
    const std::string json = ReadWholeFile(jsonPath);
    std::size_t jsonAt = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const Row& row = shown[i];
        const bool red = RowTextColour(row[0], row[2]) == kRedText;
        const Row& record = records[i + 1];
        ASSERT_EQ(6u, record.size()) << i;
        EXPECT_EQ(row, Row(record.begin() + 1, record.begin() + 4)) << i;
        EXPECT_EQ("discovery", record[0]);
        EXPECT_EQ(red ? "true" : "false", record[4]) << row[0];
        EXPECT_EQ(row[1] == "N/A", record[5].empty()) << row[1];

        const std::string drive = "{\"source\": \"discovery\", \"model\": " + JsonString(row[0]) +
                                  ", \"serial\": " + JsonString(row[1]) +
                                  ", \"firmware\": " + JsonString(row[2]) +
                                  ", \"update_needed\": " + record[4] +
                                  ", \"download_page\": " + JsonString(record[5]) + "}";
        jsonAt = json.find(drive, jsonAt);
        EXPECT_NE(std::string::npos, jsonAt) << drive << "\nin the window's order in\n" << json;
    }
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    GetComputerNameA(computer, &size);
    EXPECT_NE(std::string::npos, json.find("\"computer\": " + JsonString(computer) + ",\n"));
    EXPECT_EQ((std::vector<std::string>{"drives.csv", "drives.JSON"}), FolderFiles())
        << "no temporary file is left behind";
}

TEST_F(ReportTest, ExitCodeIsOneOnlyWhenSomeRowIsRed)
{
    const struct {
        const char* what;
        std::vector<std::string> products; // Corvane drives, product and revision
        long exitCode;
        std::string line; // a record the CSV holds
    } cases[] = {
        {"green rows only",
         {"ZQ3108440NS&Rev_MX1A", "External_Disk&Rev_0130"},
         0,
         "discovery,ZQ3108440NS,CV0,MX1A,false,"},
        {"an affected model with old firmware",
         {"ZQ3108440NS&Rev_MX1A", "ZQ3104220AS&Rev_KC11"},
         1,
         "discovery,ZQ3104220AS,CV1,KC11,true,"},
        // Comma, quote and a byte above 127 (the system code page's e acute).
        {"a model to quote",
         {"A,B\"C\xE9&Rev_1"},
         0,
         "discovery,\"A,B\"\"C\xC3\xA9\",CV0,1,false,"},
        // A device's product text that a spreadsheet would run stays text.
        {"a formula for a model", {"=1+2&Rev_-1"}, 0, "discovery,'=1+2,CV0,'-1,false,"},
        {"no drives", {}, 0, ""},
    };
    ASSERT_EQ(1252u, GetACP()) << "the test prefix's code page, which the e acute assumes";
    for (const auto& c : cases) {
        devices.Clear();
        for (std::size_t i = 0; i < c.products.size(); ++i)
            devices.AddDevice(
                UsbLink("Ven_Corvane&Prod_" + c.products[i], "CV" + std::to_string(i) + "&0"), 1);
        const ProgramRun run = RunWithPipes(Vestrel("/report -"));
        EXPECT_EQ(c.exitCode, run.exitCode) << c.what;
        const std::vector<Row> records = CsvRecords(run.output);
        ASSERT_EQ(c.products.size() + 1, records.size()) << c.what << "\n" << run.output;
        EXPECT_NE(std::string::npos, run.output.find("\r\n" + c.line)) << c.what << run.output;
    }
}

TEST_F(ReportTest, AReportThatCannotBeWrittenGivesTwoAndLeavesWhatWasThere)
{
    devices.AddDevice(UsbLink("Ven_Corvane&Prod_ZQ3104220AS&Rev_KC11", "CV1&0"), 1);
    const std::string readOnly = InFolder("kept.csv");
    std::ofstream(readOnly, std::ios::binary) << "the previous report\r\n";
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));

    struct Case {
        std::string path;
        std::string error; // a part of the one line on standard error
        bool link;         // a link that must stay one
    };
    std::vector<Case> cases = {
        {InFolder("missing\\drives.csv"), "cannot write", false},
        {readOnly, "read-only", false},
        {folder, "folder", false},
    };
    // A link, to a share say, stays a link: replaced, it would be an
    // ordinary file, and the run would say it had written the report.
    const std::string links = folder + "-links";
    CreateDirectoryA(links.c_str(), nullptr);
    const std::string fileLink = links + "\\drives.csv";
    std::ofstream(links + "\\target.csv", std::ios::binary) << "the target";
    CreateSymbolicLinkW(WideFromUtf8(fileLink).c_str(),
                        WideFromUtf8(links + "\\target.csv").c_str(), 0);
    const DWORD fileLinkAttributes = GetFileAttributesA(fileLink.c_str());
    if (fileLinkAttributes != INVALID_FILE_ATTRIBUTES &&
        (fileLinkAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        cases.push_back({fileLink, "cannot write " + fileLink + ": it is a link", true});
    else
        std::printf("No symbolic links here: the link to a file case does not run.\n");
    const std::vector<FolderLink> folderLinks = FolderLinks(links);
    for (const FolderLink& link : folderLinks)
        cases.push_back({link.path, "cannot write " + link.path + ": it is a link", true});
    for (const auto& c : cases) {
        const ProgramRun run = RunWithPipes(Vestrel("/report \"" + c.path + "\""));
        EXPECT_EQ(2, run.exitCode) << c.path;
        EXPECT_NE(std::string::npos, run.error.find(c.error)) << run.error;
        EXPECT_EQ(run.error.size() - 2, run.error.find("\r\n")) << "one line: " << run.error;
        const DWORD attributes = GetFileAttributesA(c.path.c_str());
        const bool stillALink =
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        EXPECT_EQ(c.link, stillALink) << c.path;
    }
    EXPECT_EQ("the previous report\r\n", ReadWholeFile(readOnly));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
              GetFileAttributesA(readOnly.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ((std::vector<std::string>{"kept.csv"}), FolderFiles());
    EXPECT_EQ("the target", ReadWholeFile(links + "\\target.csv"));
    for (const FolderLink& link : folderLinks)
        EXPECT_TRUE(IsEmptyFolder(link.target)) << link.what;
    RemoveFolderTree(links);
}

TEST_F(ReportTest, AReportPathOutsideTheCodePageIsWrittenUnderThatVeryName)
{
    // "отчёт-日本.csv": Cyrillic and Japanese, neither in the test prefix's code page.
    const std::string path =
        InFolder("\xd0\xbe\xd1\x82\xd1\x87\xd1\x91\xd1\x82-\xe6\x97\xa5\xe6\x9c\xac.csv");
    const ProgramRun run = RunWithPipes(Vestrel("/report \"" + path + "\""));
    EXPECT_EQ(0, run.exitCode) << run.error;
    const std::wstring wide = WideFromUtf8(path);
    const HANDLE file =
        CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << "no file under the very name";
    char start[6] = {};
    DWORD read = 0;
    ReadFile(file, start, sizeof start, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ("source", std::string(start, read));
    EXPECT_TRUE(DeleteFileW(wide.c_str()));
    EXPECT_TRUE(FolderFiles().empty()) << "no temporary file is left behind";
}

// Whatever stands at a temporary file's name, a file, a folder or a link, is
// passed over and left as it was; a link is never followed to its target.
TEST_F(ReportTest, TheTemporaryFileNeverOpensWhatStandsAtItsName)
{
    const std::string report = InFolder("drives.csv");
    std::ofstream(report, std::ios::binary) << "the previous report";
    std::ofstream(InFolder("target"), std::ios::binary) << "the link's target";
    std::ofstream(InFolder("file.tmp"), std::ios::binary) << "a planted file";
    ASSERT_TRUE(CreateDirectoryA(InFolder("folder.tmp").c_str(), nullptr));
    std::vector<std::string> names = {"file.tmp", "folder.tmp", "new.tmp"};
    // Wine 8 answers that it made a link and makes none.
    const std::wstring link = WideFromUtf8(InFolder("link.tmp"));
    CreateSymbolicLinkW(link.c_str(), WideFromUtf8(InFolder("target")).c_str(), 0);
    const DWORD linkAttributes = GetFileAttributesW(link.c_str());
    if (linkAttributes != INVALID_FILE_ATTRIBUTES &&
        (linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        names.insert(names.begin(), "link.tmp");
    else
        std::printf("No symbolic links here: the link case does not run.\n");
    std::size_t next = 0;
    const auto nextName = [&] { return next < names.size() ? names[next++] : std::string(); };

    EXPECT_EQ("", ReplaceFileContents(report, "the new report", nextName));
    EXPECT_EQ(names.size(), next) << "each name in turn";
    EXPECT_EQ("the new report", ReadWholeFile(report));
    EXPECT_EQ("the link's target", ReadWholeFile(InFolder("target")));
    EXPECT_EQ("a planted file", ReadWholeFile(InFolder("file.tmp")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(InFolder("new.tmp").c_str()));

    next = 0; // only taken names: nothing is written, the report stays
    names.pop_back();
    EXPECT_NE("", ReplaceFileContents(report, "a third report", nextName));
    EXPECT_EQ("the new report", ReadWholeFile(report));
    RemoveDirectoryA(InFolder("folder.tmp").c_str());
    DeleteFileA(InFolder("link.tmp").c_str());
}

TEST(ReportCommandLine, UsageErrorsGiveTwoAndTheUsageHelpGivesZero)
{
    const struct {
        const char* arguments;
        long exitCode;
        const char* output; // the start of standard output
        const char* error;  // a part of standard error
    } cases[] = {
        {"/bogus", 2, "", "unknown option \"/bogus\"; usage: "},
        {"/report", 2, "", "needs a file name"},
        {"/report a.csv b.csv", 2, "", "unexpected argument \"b.csv\""},
        {"/?", 0, "Usage: ", ""},
        {"--HELP", 0, "Usage: ", ""},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunWithPipes(Vestrel(c.arguments));
        EXPECT_EQ(c.exitCode, run.exitCode) << c.arguments;
        EXPECT_EQ(0u, run.output.find(c.output)) << c.arguments << ": " << run.output;
        if (*c.error == '\0')
            EXPECT_EQ("", run.error) << c.arguments;
        else
            EXPECT_NE(std::string::npos, run.error.find(c.error)) << run.error;
    }
}

// As a service or a scheduled task starts it: a failure ends the program at
// once, with no window that nobody could see or close.
TEST(ReportCommandLine, AFailureWithoutAReaderNeverShowsAWindowOrWaits)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE nul =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherit, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, nul);
    const struct {
        const char* arguments;
        HANDLE handles; // every standard handle: the null device, or none
    } cases[] = {
        {"/report C:\\no\\such\\folder\\out.csv", nul},
        {"/report -", nul},
        {"/record /report", nul},
        {"/report C:\\no\\such\\folder\\out.csv", nullptr},
        {"/bogus", nullptr},
    };
    for (const auto& c : cases) {
        ProgramProcess program(Vestrel(c.arguments), c.handles, c.handles, c.handles);
        ASSERT_TRUE(program.Started()) << GetLastError();
        const DWORD start = GetTickCount();
        bool windowShown = false;
        while (WaitForSingleObject(program.Handle(), 20) == WAIT_TIMEOUT &&
               GetTickCount() - start < 10000)
            windowShown = windowShown || !program.Windows("#32770").empty();
        EXPECT_LT(GetTickCount() - start, 5000u) << c.arguments;
        EXPECT_FALSE(windowShown) << c.arguments;
        EXPECT_EQ(2, program.ExitCode()) << c.arguments;
    }
    CloseHandle(nul);
}

class IdentifyReport : public ProgramWindowTest {};

TEST_F(IdentifyReport, TheReportListsTheIdentifyRowsWhereTheWindowDoes)
{
    // An affected model with old firmware.
    OneSmartDrive drive("ZQ3104220AS", "ID0001", "KC11");
    ScanDrivesIntoList(g_hDriveList, drive);
    std::vector<Row> shown;
    const int count = static_cast<int>(SendMessageA(g_hDriveList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        shown.push_back({CellText(g_hDriveList, row, 0), CellText(g_hDriveList, row, 1),
                         CellText(g_hDriveList, row, 2)});
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ((Row{"ZQ3104220AS", "ID0001", "KC11"}), shown.back());

    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    const std::string path = std::string(temp) + "vestrel-identify-report.csv";
    Command command;
    command.mode = CommandMode::Report;
    command.path = path;
    EXPECT_EQ(1, RunCommand(command, drive));
    const std::vector<Row> records = CsvRecords(ReadWholeFile(path));
    DeleteFileA(path.c_str());
    ASSERT_EQ(shown.size() + 1, records.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], Row(records[i + 1].begin() + 1, records[i + 1].begin() + 4)) << i;
    EXPECT_EQ("identify", records.back()[0]);
    EXPECT_EQ("true", records.back()[4]);
}

// Standard error of this process into a file, while this lives.
class CapturedStandardError {
public:
    explicit CapturedStandardError(const std::string& path)
        : path(path), before(GetStdHandle(STD_ERROR_HANDLE)),
          file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        SetStdHandle(STD_ERROR_HANDLE, file);
    }
    ~CapturedStandardError()
    {
        SetStdHandle(STD_ERROR_HANDLE, before);
        CloseHandle(file);
        DeleteFileA(path.c_str());
    }
    std::string Text()
    {
        FlushFileBuffers(file);
        return ReadWholeFile(path);
    }

private:
    std::string path;
    HANDLE before;
    HANDLE file;
};

TEST(SilentDriveReport, EachDriveGivenUpIsOneLineAndTheOthersAreReported)
{
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    const std::string path = std::string(temp) + "vestrel-silent-report.csv";
    // Two drives of five never answer (tests/data/replay/README.md); the
    // replay is left to the process's end, as the silent requests may use it.
    auto* devices = new ReplayDevices(std::string(VESTREL_TEST_DATA_DIR) + "/replay/silent-drives");
    Command command;
    command.mode = CommandMode::Report;
    command.path = path;
    CapturedStandardError error(std::string(temp) + "vestrel-silent-report.err");
    const int exitCode = RunCommand(command, *devices);
    const std::vector<Row> records = CsvRecords(ReadWholeFile(path));
    DeleteFileA(path.c_str());

    std::vector<Row> identified;
    bool red = false;
    for (const Row& record : records) {
        if (record[0] == "identify")
            identified.push_back({record[1], record[2], record[3]});
        red = red || record[4] == "true";
    }
    EXPECT_EQ((std::vector<Row>{{"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"},
                                {"CORVANE MHZ2160BH G1", "K60WT8828LCB", "0084000A"},
                                {"MCCOE64GEMPP", "SE808N0608", "2.9.09"}}),
              identified);
    // The drives given up could be ATA drives: no verdict without them.
    EXPECT_EQ(red ? 1 : 3, exitCode);
    // One line a drive: which one, which request, the deadline.
    std::istringstream lines(error.Text());
    const char* const expected[][2] = {{"PhysicalDrive1 ", "SMART"},
                                       {"PhysicalDrive3 ", "ATA PASS-THROUGH (16)"}};
    const std::string deadline = " " + std::to_string(kDeviceDeadlineMs / 1000) + " seconds";
    std::string line;
    for (const auto& words : expected) {
        ASSERT_TRUE(std::getline(lines, line));
        for (const std::string& word : {std::string(words[0]), std::string(words[1]), deadline})
            EXPECT_NE(std::string::npos, line.find(word)) << line;
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
}

// Where ThrowingDrive throws: on a request thread, in drive 1's requests; on
// drive 1's scan job, where its place in the device tree is asked; on the
// thread that runs the scan, which reads the device tree.
enum class ThrowIn { Request, DriveJob, Scan };

// The devices of `devices`, but one place throws `what`, or an exception of
// no standard type when `what` is null.
class ThrowingDrive final : public DeviceIo {
public:
    ThrowingDrive(DeviceIo& devices, ThrowIn where, const char* what)
        : devices(devices), where(where), what(what),
          drive1(devices.Open("\\\\.\\PhysicalDrive1", 0, 0))
    {
    }

    HANDLE Open(const char* path, DWORD access, DWORD share) override
    {
        return devices.Open(path, access, share);
    }
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override
    {
        if (where == ThrowIn::Request && device == drive1)
            Throw();
        return devices.Control(device, code, in, inSize, out, outSize, returned);
    }
    void Close(HANDLE device) override { devices.Close(device); }
    bool Exists(const char* path) override { return devices.Exists(path); }
    std::unique_ptr<StorageTopology> ReadTopology(DeviceIo& opener) override
    {
        if (where == ThrowIn::Scan)
            Throw();
        return std::make_unique<Topology>(*this, devices.ReadTopology(opener));
    }

private:
    class Topology final : public StorageTopology {
    public:
        Topology(ThrowingDrive& owner, std::unique_ptr<StorageTopology> topology)
            : owner(owner), topology(std::move(topology))
        {
        }
        std::string UsbHardwareId(int driveIndex) override
        {
            if (owner.where == ThrowIn::DriveJob && driveIndex == 1)
                owner.Throw();
            return topology->UsbHardwareId(driveIndex);
        }
        std::string ScsiPortDriver(int port) override { return topology->ScsiPortDriver(port); }

    private:
        ThrowingDrive& owner;
        std::unique_ptr<StorageTopology> topology;
    };

    void Throw() const
    {
        if (what)
            throw std::runtime_error(what);
        throw 1;
    }

    DeviceIo& devices;
    ThrowIn where;
    const char* what;
    HANDLE drive1;
};

// An exception escaping a thread of the scan: the window-free modes end with
// one line and 2 and write nothing; the window keeps the other drives' rows.
TEST(EscapedExceptions, ARunEndsWithTwoAndOneLineAndTheWindowKeepsTheOtherDrives)
{
    // Ten drives that each answer SMART; none says where it sits, so the
    // device tree is asked of each.
    ReplayDevices replay(std::string(VESTREL_TEST_DATA_DIR) + "/replay/smart-sectors");
    std::vector<std::string> otherModels;
    for (const IdentifyRow& row : IdentifyScanner(replay).ReadRows())
        if (row.index != 1)
            otherModels.push_back(row.drive.model);
    ASSERT_EQ(9u, otherModels.size());

    const struct {
        ThrowIn where;
        const char* what;
        std::vector<std::string> windowModels;
    } cases[] = {
        {ThrowIn::Request, "drive 1 threw in a request", otherModels},
        {ThrowIn::DriveJob, "drive 1's place threw", otherModels},
        {ThrowIn::Scan, nullptr, {}},
    };
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    const std::string report = std::string(temp) + "vestrel-escaped.csv";
    const std::string recording = std::string(temp) + "vestrel-escaped-recording";
    const struct {
        CommandMode mode;
        std::string path;
    } runs[] = {{CommandMode::Report, report}, {CommandMode::Record, recording}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what ? c.what : "no standard type");
        ThrowingDrive devices(replay, c.where, c.what);
        for (const auto& run : runs) {
            DeleteFileA(report.c_str());
            RemoveFolderTree(recording);
            Command command;
            command.mode = run.mode;
            command.path = run.path;
            CapturedStandardError error(std::string(temp) + "vestrel-escaped.err");
            EXPECT_EQ(2, RunCommand(command, devices)) << run.path;
            const std::string line = error.Text();
            EXPECT_EQ(0u, line.find("Vestrel: ")) << line;
            EXPECT_EQ(line.size() - 2, line.find("\r\n")) << "one line: " << line;
            if (c.what) {
                EXPECT_NE(std::string::npos, line.find(c.what)) << line;
            }
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(report.c_str()));
            EXPECT_TRUE(run.mode != CommandMode::Record || IsEmptyFolder(recording));
        }
        RemoveFolderTree(recording);

        BackgroundScan scan(IdentifiedDrives, devices);
        if (scan.Ended())
            WaitForSingleObject(scan.Ended(), INFINITE);
        std::vector<std::string> models;
        for (const DriveRecord& drive : scan.Drives())
            models.push_back(drive.model);
        EXPECT_EQ(c.windowModels, models);
        std::string line;
        EXPECT_TRUE(TakeEscapedException(line)) << "noted, though the window goes on";
    }
}

// Run by TerminateEndsTheProcessWithTwoAndOneLineOrNone below, each in a process of its own: as an
// exception that reaches std::terminate ends the program.
void CallNoexcept(void (*call)()) noexcept
{
    call();
}

TEST(DISABLED_EndedByTerminate, Told)
{
    EndOnTerminate(kExitFailed, true);
    CallNoexcept([] { throw std::runtime_error("thrown through noexcept"); });
}

TEST(DISABLED_EndedByTerminate, Quiet)
{
    EndOnTerminate(kExitFailed, false);
    CallNoexcept([] { throw std::runtime_error("thrown through noexcept"); });
}

TEST(EscapedExceptions, TerminateEndsTheProcessWithTwoAndOneLineOrNone)
{
    const struct {
        const char* test;
        const char* error; // all of standard error
    } cases[] = {
        {"Told", "Vestrel: internal error: thrown through noexcept\r\n"},
        {"Quiet", ""},
    };
    char self[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameA(nullptr, self, MAX_PATH));
    for (const auto& c : cases) {
        const ProgramRun run = RunWithPipes(
            "\"" + std::string(self) +
            "\" --gtest_also_run_disabled_tests --gtest_filter=DISABLED_EndedByTerminate." +
            c.test);
        EXPECT_EQ(2, run.exitCode) << c.test << "\n" << run.output << run.error;
        EXPECT_EQ(c.error, run.error) << c.test;
    }
}

} // namespace
