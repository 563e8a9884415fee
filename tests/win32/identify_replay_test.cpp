#include "identify/identify_recorder.h"
#include "identify/identify_reply.h"
#include "identify/identify_scanner.h"
#include "tests/win32/support/replay_devices.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

bool operator==(const IdentifyRow& a, const IdentifyRow& b)
{
    return a.index == b.index && a.drive.model == b.drive.model &&
           a.drive.serial == b.drive.serial && a.drive.revision == b.drive.revision;
}

void PrintTo(const IdentifyRow& row, std::ostream* out)
{
    *out << row.index << " \"" << row.drive.model << "\" \"" << row.drive.serial << "\" \""
         << row.drive.revision << '"';
}

// A drive given up: where, and the request it did not answer.
struct SilentRequest {
    std::string where;
    IdentifyRequest request;
};

bool operator==(const SilentRequest& a, const SilentRequest& b)
{
    return a.where == b.where && a.request == b.request;
}

void PrintTo(const SilentRequest& silent, std::ostream* out)
{
    *out << silent.where << ' ' << RequestKey(silent.request);
}

std::vector<SilentRequest> GivenUp(const IdentifyScan& scan)
{
    std::vector<SilentRequest> silent;
    for (const ScannedDrive& drive : scan.drives)
        if (drive.outcome == DriveOutcome::GivenUp)
            silent.push_back({drive.where, drive.request});
    return silent;
}

namespace {

const std::string kReplayDir = std::string(VESTREL_TEST_DATA_DIR) + "/replay/";

std::vector<IdentifyRow> ReplayRows(const std::string& folder)
{
    ReplayDevices devices(folder);
    return IdentifyScanner(devices).ReadRows();
}

// The recorded folders of tests/data/replay (README.md there says what each
// drive answers) and the rows the scan must make of them.
struct ReplayCase {
    const char* folder;
    std::vector<IdentifyRow> rows;
};

const ReplayCase kReplayCases[] = {
    {"same-sector",
     {{0, "ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"},
      {1, "ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}}},
    {"zero-sat16", {}},
    {"usb-bridges",
     {{0, "PELLUM MK1651GSY", "38IGT0G5T", "LD001D"},
      {1, "ORDIX WD800BB-00CAA1", "WD-WMA8E4953539", "17.07W17"},
      {4, "MCCOE64GEMPP", "SE808N0608", "2.9.09"},
      {6, "CORVANE MHZ2160BH G1", "K60WT8828LCB", "0084000A"}}},
    {"nvme",
     {{0, "CORVANE NV2 1TB", "PL0NV0R123456", "2B2QEXM7"},
      {3, "ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}}},
};

TEST(IdentifyReplay, RecordedFoldersGiveTheirRowsInIndexOrder)
{
    for (const ReplayCase& c : kReplayCases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(c.rows, ReplayRows(kReplayDir + c.folder));
    }
}

// Recorded folders with requests that never answer (tests/data/replay/README.md):
// the drives given up, and the rows of the others.
struct SilentCase {
    const char* folder;
    std::vector<SilentRequest> silent;
    std::vector<IdentifyRow> rows;
};

const SilentCase kSilentCases[] = {
    {"silent-drives",
     {{"PhysicalDrive1", IdentifyRequest::Smart}, {"PhysicalDrive3", IdentifyRequest::Sat16}},
     {{0, "ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"},
      {2, "CORVANE MHZ2160BH G1", "K60WT8828LCB", "0084000A"},
      {4, "MCCOE64GEMPP", "SE808N0608", "2.9.09"}}},
    {"silent-late",
     {{"PhysicalDrive0", IdentifyRequest::Sat12}, {"PhysicalDrive1", IdentifyRequest::Nvme}},
     {{2, "PELLUM MK1651GSY", "38IGT0G5T", "LD001D"}}},
};

TEST(IdentifyReplay, ASilentDriveIsGivenUpAtTheDeadlineAndTheScanGoesOn)
{
    for (const SilentCase& c : kSilentCases) {
        SCOPED_TRACE(c.folder);
        // Left to the process's end: a silent request may still be using it.
        auto* devices = new ReplayDevices(kReplayDir + c.folder);
        const DWORD start = GetTickCount();
        const IdentifyScan scan = IdentifyScanner(*devices).Scan();
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(c.rows, scan.rows);
        EXPECT_EQ(c.silent, GivenUp(scan));
        // Each silent drive costs the deadline once; the answering ones next to nothing.
        EXPECT_GE(took + 100, c.silent.size() * kDeviceDeadlineMs);
        EXPECT_LT(took, c.silent.size() * kDeviceDeadlineMs + 2000);
    }
}

TEST(IdentifyReplay, PassThroughRepliesGiveTheRowsSmartGivesForTheSameSectors)
{
    const std::vector<IdentifyRow> smart = ReplayRows(kReplayDir + "smart-sectors");
    EXPECT_EQ(10u, smart.size()); // every sector of tests/data/identify
    EXPECT_EQ(smart, ReplayRows(kReplayDir + "sat-sectors"));
}

std::string FileBytes(const std::string& path, bool& exists)
{
    std::ifstream file(path, std::ios::binary);
    exists = static_cast<bool>(file);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder under the temporary folder, removed with its recording.
class ScratchFolder {
public:
    ScratchFolder()
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        path = std::string(temp) + "vestrel-record-" + std::to_string(GetCurrentProcessId());
    }
    ~ScratchFolder()
    {
        for (int index = 0; index < 32; ++index) {
            const std::string drive = path + "\\" + std::to_string(index);
            for (IdentifyRequest request : kIdentifyRequests)
                DeleteFileA((drive + "\\" + ReplyFileName(request)).c_str());
            RemoveDirectoryA(drive.c_str());
        }
        RemoveDirectoryA(path.c_str());
    }
    std::string path;
};

TEST(IdentifyRecord, RecordsEveryReplyOfEveryDriveSoThatItReplaysAlike)
{
    const std::string source = kReplayDir + "usb-bridges";
    ReplayDevices devices(source);
    ScratchFolder recording;
    std::string error;
    ASSERT_TRUE(RecordIdentifyReplies(devices, recording.path, error)) << error;

    for (int index = 0; index < 32; ++index) {
        SCOPED_TRACE(index);
        const std::string from = source + "/" + std::to_string(index) + "/";
        const std::string to = recording.path + "\\" + std::to_string(index) + "\\";
        ASSERT_EQ(IsFolder(from), IsFolder(to));
        for (IdentifyRequest request : kIdentifyRequests) {
            bool recorded = false, original = false;
            EXPECT_EQ(FileBytes(from + ReplyFileName(request), original),
                      FileBytes(to + ReplyFileName(request), recorded));
            EXPECT_EQ(original, recorded) << ReplyFileName(request);
        }
    }
    EXPECT_EQ(ReplayRows(source), ReplayRows(recording.path));

    // A second recording would mix with the first.
    EXPECT_FALSE(RecordIdentifyReplies(devices, recording.path, error));
    EXPECT_NE(std::string::npos, error.find("not empty")) << error;
}

} // namespace
