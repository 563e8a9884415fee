#include "identify/identify_recorder.h"
#include "identify/identify_reply.h"
#include "identify/identify_scanner.h"
#include "platform/new_files.h"
#include "tests/win32/support/folder_link.h"
#include "tests/win32/support/replay_devices.h"
#include "unattended/command_line.h"
#include "unattended/command_modes.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <ntddscsi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

// A drive behind a RAID driver has no index: its place says which it is.
bool operator==(const IdentifyRow& a, const IdentifyRow& b)
{
    return a.index == b.index && (a.index >= 0 || a.where == b.where) &&
           a.drive.model == b.drive.model && a.drive.serial == b.drive.serial &&
           a.drive.revision == b.drive.revision;
}

void PrintTo(const IdentifyRow& row, std::ostream* out)
{
    *out << (row.index < 0 ? row.where : std::to_string(row.index)) << " \"" << row.drive.model
         << "\" \"" << row.drive.serial << "\" \"" << row.drive.revision << '"';
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
    {"silent-four",
     {{"PhysicalDrive1", IdentifyRequest::Smart},
      {"PhysicalDrive2", IdentifyRequest::Sat16},
      {"PhysicalDrive4", IdentifyRequest::Sat12},
      {"PhysicalDrive5", IdentifyRequest::Nvme}},
     {{0, "ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"},
      {3, "CORVANE MHZ2160BH G1", "K60WT8828LCB", "0084000A"},
      {6, "MCCOE64GEMPP", "SE808N0608", "2.9.09"}}},
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
        // The drives are asked side by side: the silent ones cost the
        // deadline once together, the answering ones next to nothing.
        EXPECT_GE(took + 100, kDeviceDeadlineMs);
        EXPECT_LT(took, kDeviceDeadlineMs * 11 / 10 + 500);
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
    ~ScratchFolder() { RemoveFolderTree(path); }
    std::string path;
};

TEST(IdentifyRecord, RecordsEveryReplyTheScanReadsSoThatItReplaysAlike)
{
    const std::string source = kReplayDir + "usb-bridges";
    ReplayDevices devices(source);
    ScratchFolder recording;
    std::string error;
    ASSERT_TRUE(RecordIdentifyReplies(devices, recording.path, error)) << error;

    for (int index = 0; index < 32; ++index)
        EXPECT_EQ(IsFolder(source + "/" + std::to_string(index)),
                  IsFolder(recording.path + "\\" + std::to_string(index)))
            << index;
    // A recording asks what the scan asks: each reply up to the one that
    // gives the row, none after it (drive 4 answers SMART and is never asked
    // ATA PASS-THROUGH (16), which it would answer too).
    for (const ScannedDrive& drive : IdentifyScanner(devices).Scan().drives) {
        SCOPED_TRACE(drive.where);
        const std::string index = drive.where.substr(std::string("PhysicalDrive").size());
        bool past = false;
        for (IdentifyRequest request : kIdentifyRequests) {
            bool recorded = false, original = false;
            const std::string bytes =
                FileBytes(recording.path + "\\" + index + "\\" + ReplyFileName(request), recorded);
            const std::string originalBytes =
                FileBytes(source + "/" + index + "/" + ReplyFileName(request), original);
            EXPECT_EQ(original && !past, recorded) << ReplyFileName(request);
            EXPECT_EQ(recorded ? originalBytes : "", bytes) << ReplyFileName(request);
            past = past || (drive.outcome == DriveOutcome::Read && drive.request == request);
        }
    }
    EXPECT_EQ(ReplayRows(source), ReplayRows(recording.path));

    // A second recording would mix with the first.
    EXPECT_FALSE(RecordIdentifyReplies(devices, recording.path, error));
    EXPECT_NE(std::string::npos, error.find("not empty")) << error;
}

// The outcome of each drive a scan met: "PhysicalDrive0 read smart".
std::vector<std::string> Outcomes(const IdentifyScan& scan)
{
    std::vector<std::string> outcomes;
    for (const ScannedDrive& drive : scan.drives) {
        std::string outcome = drive.where + " " + OutcomeKey(drive.outcome);
        if (drive.outcome == DriveOutcome::Read || drive.outcome == DriveOutcome::SameDrive)
            outcome += " " + RequestKey(drive.request);
        if (drive.outcome == DriveOutcome::SameDrive)
            outcome += " as " + drive.sameAs;
        if (MakesVerdictIncomplete(drive))
            outcome += ", incomplete";
        outcomes.push_back(outcome);
    }
    return outcomes;
}

// Every request that is neither a descriptor query nor one of the standard
// identify requests: a bridge's own command by its opcode, a CSMI request or
// Intel's NVMe pass-through by its signature; sorted, as drives and ports are
// asked side by side.
std::vector<std::string> VendorRequests(const ReplayDevices& devices)
{
    std::vector<std::string> sent;
    for (const ReplayRequest& request : devices.Requests()) {
        const bool translation =
            request.cdb.size() > 9 && ((request.cdb[0] == 0x85 && request.cdb[14] == 0xEC) ||
                                       (request.cdb[0] == 0xA1 && request.cdb[9] == 0xEC));
        char opcode[8] = "";
        if (!request.cdb.empty())
            std::snprintf(opcode, sizeof opcode, "%02x", request.cdb[0]);
        const bool rst = request.in.size() > 12 &&
                         std::equal(request.in.begin() + 4, request.in.begin() + 12, "IntelNvm");
        if (request.code == IOCTL_SCSI_MINIPORT)
            sent.push_back(request.target + (rst ? " rst-nvme" : " csmi"));
        else if (request.code == IOCTL_SCSI_PASS_THROUGH && !translation)
            sent.push_back(request.target + " " + opcode);
    }
    std::sort(sent.begin(), sent.end());
    return sent;
}

// The recorded folders of every path to a drive besides the standard
// requests (tests/data/replay/README.md): the rows they give, how each drive
// fared, which devices got a vendor command or a CSMI request, and the
// report's exit code.
struct PathCase {
    const char* folder;
    std::vector<IdentifyRow> rows;
    std::vector<std::string> outcomes;
    std::vector<std::string> vendorRequests;
    int exitCode;
};

const PathCase kPathCases[] = {
    {"usb-bridge-protocols",
     {{0, {"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}},
      {1, {"ORDIX WD800BB-00CAA1", "WD-WMA8E4953539", "17.07W17"}},
      {2, {"CORVANE MHZ2160BH G1", "K60WT8828LCB", "0084000A"}},
      {3, {"PELLUM MK1651GSY", "38IGT0G5T", "LD001D"}},
      {4, {"CORVANE NV3 1TB", "JM0NV0R000004", "3B4QGXA7"}},
      {5, {"CORVANE NV3 2TB", "AS0NV0R000005", "3B4QGXA7"}},
      {6, {"CORVANE NV3 4TB", "RT0NV0R000006", "3B4QGXA7"}},
      {7, {"PELLUM SSDSA2MH080G1GC", "CVEM842101HD080DGN", "045C8820"}}},
     {"PhysicalDrive0 read jmicron-ata", "PhysicalDrive1 read cypress-ata",
      "PhysicalDrive2 read sunplus-ata", "PhysicalDrive3 read prolific-ata",
      "PhysicalDrive4 read jmicron-nvme", "PhysicalDrive5 read asmedia-nvme",
      "PhysicalDrive6 read realtek-nvme", "PhysicalDrive7 read jmicron-ata"},
     {"PhysicalDrive0 df", "PhysicalDrive0 df", "PhysicalDrive1 24", "PhysicalDrive2 f8",
      "PhysicalDrive3 d8", "PhysicalDrive4 a1", "PhysicalDrive4 a1", "PhysicalDrive4 a1",
      "PhysicalDrive5 e6", "PhysicalDrive6 e4", "PhysicalDrive7 df", "PhysicalDrive7 df"},
     0},
    {"usb-bridges-unsafe",
     {},
     {"PhysicalDrive0 refused, incomplete", "PhysicalDrive1 refused, incomplete",
      "PhysicalDrive2 refused, incomplete", "PhysicalDrive3 refused, incomplete",
      "PhysicalDrive4 refused, incomplete", "PhysicalDrive5 refused"},
     {"PhysicalDrive2 df"},
     3},
    {"raid-csmi",
     {{1, {"MCCOE64GEMPP", "SE808N0608", "2.9.09"}},
      {-1, {"PELLUM SSDSA2MH080G1GC", "CVEM842101HD080DGN", "045C8820"}, "Scsi2: port 0"},
      {-1, {"BREVOND MMCQE28G8MUP-0VA", "SE837A6888", "VAM08L1Q"}, "Scsi2: port 1"}},
     {"PhysicalDrive0 raid_volume", "PhysicalDrive1 read smart", "Scsi2: port 0 read csmi",
      "Scsi2: port 1 read csmi", "Scsi2: port 3 same_drive csmi as PhysicalDrive1"},
     {"Scsi2: csmi", "Scsi2: csmi", "Scsi2: csmi", "Scsi2: csmi", "Scsi2: csmi", "Scsi2: rst-nvme"},
     0},
    {"raid-unsafe",
     {{1, {"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}}},
     {"PhysicalDrive0 refused, incomplete", "PhysicalDrive1 read smart"},
     {},
     3},
    {"locked-drive",
     {{0, {"ZQ3104220AS", "TF1500Y9HRAM5B", "KC11"}}},
     {"PhysicalDrive0 read smart", "PhysicalDrive1 not_opened, incomplete"},
     {},
     1}, // an update needed is the news, even when a drive could not be read
    // The NVMe drive of Intel's RAID driver, read through its pass-through;
    // one the facts say is NVMe; one nothing says is; one on another driver's
    // port, never sent the pass-through.
    {"rst-nvme",
     {{0, {"CORVANE NV2 1TB", "RS0NV0R000001", "2B2QEXM7"}}},
     {"PhysicalDrive0 read rst-nvme", "PhysicalDrive1 refused",
      "PhysicalDrive2 refused, incomplete", "PhysicalDrive3 refused, incomplete"},
     {"Scsi0: csmi", "Scsi0: csmi", "Scsi0: rst-nvme", "Scsi0: rst-nvme", "Scsi0: rst-nvme"},
     3},
    // A SATA drive silent behind a bridge that takes SATA and NVMe; one an
    // NVMe-only bridge cannot read; a JMS583 at a SATA adapter's revision.
    {"usb-dual-bridges",
     {},
     {"PhysicalDrive0 given_up, incomplete", "PhysicalDrive1 refused",
      "PhysicalDrive2 refused, incomplete"},
     {"PhysicalDrive1 e6"},
     3},
    // Volumes whose members were not all read: no drive listed, a table left
    // as sent, a port that refuses CSMI, a member that refuses IDENTIFY.
    {"raid-uncovered",
     {{-1, {"PELLUM SSDSA2MH080G1GC", "CVEM842101HD080DGN", "045C8820"}, "Scsi5: port 0"}},
     {"PhysicalDrive0 refused, incomplete", "PhysicalDrive1 refused, incomplete",
      "PhysicalDrive2 refused, incomplete", "PhysicalDrive3 refused, incomplete", "Scsi4: refused",
      "Scsi5: port 0 read csmi", "Scsi5: port 1 refused, incomplete"},
     {"Scsi2: csmi", "Scsi2: csmi", "Scsi2: rst-nvme", "Scsi3: csmi", "Scsi3: csmi",
      "Scsi3: rst-nvme", "Scsi4: csmi", "Scsi4: rst-nvme", "Scsi5: csmi", "Scsi5: csmi",
      "Scsi5: csmi", "Scsi5: csmi", "Scsi5: rst-nvme"},
     3},
    // Answers without an identity, and a drive whose open fails with "not
    // found" while its name stays.
    {"empty-answers",
     {{0, {"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}}},
     {"PhysicalDrive0 read sat16", "PhysicalDrive1 refused, incomplete",
      "PhysicalDrive2 refused, incomplete", "PhysicalDrive3 refused, incomplete",
      "PhysicalDrive4 not_opened, incomplete"},
     {},
     3},
    {"past-the-scan",
     {{0, {"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}}},
     {"PhysicalDrive0 read smart", "PhysicalDrive33 not_scanned",
      "PhysicalDrive40 not_scanned, incomplete", "Scsi20: not_scanned"},
     {},
     3},
    // The port register names the drive's port alone, or no IDENTIFY goes.
    {"jmicron-ports",
     {{0, {"ORDIX HTS725050A7E630", "TF1500Y9HRAM5B", "GH2ZB390"}},
      {1, {"ORDIX WD800BB-00CAA1", "WD-WMA8E4953539", "17.07W17"}}},
     {"PhysicalDrive0 read jmicron-ata", "PhysicalDrive1 read jmicron-ata",
      "PhysicalDrive2 refused, incomplete", "PhysicalDrive3 refused, incomplete"},
     {"PhysicalDrive0 df", "PhysicalDrive0 df", "PhysicalDrive1 df", "PhysicalDrive1 df",
      "PhysicalDrive2 df", "PhysicalDrive3 df"},
     3},
};

TEST(IdentifyReplay, BridgesRaidDriversAndUnreadDrivesGiveTheirRowsRequestsOutcomesAndVerdict)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string report = std::string(temp) + "vestrel-paths.json";
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(c.folder);
        // Left to the process's end: a silent request may still be using it.
        ReplayDevices& devices = *new ReplayDevices(kReplayDir + c.folder);
        const IdentifyScan scan = IdentifyScanner(devices).Scan();
        EXPECT_EQ(c.rows, scan.rows);
        EXPECT_EQ(c.outcomes, Outcomes(scan));
        EXPECT_EQ(c.vendorRequests, VendorRequests(devices));

        Command command;
        command.mode = CommandMode::Report;
        command.path = report;
        EXPECT_EQ(c.exitCode, RunCommand(command, devices));
        bool exists = false;
        const std::string json = FileBytes(report, exists);
        DeleteFileA(report.c_str());
        for (const ScannedDrive& drive : scan.drives) {
            const std::regex entry("\\{\"where\": \"" + drive.where + "\"[^}]*\"outcome\": \"" +
                                   OutcomeKey(drive.outcome) + "\"");
            EXPECT_TRUE(std::regex_search(json, entry)) << drive.where << "\n" << json;
        }
    }
}

// A recording keeps what the scan used to decide and every reply, but no
// drive that gave nothing and could be no ATA drive.
TEST(IdentifyRecord, RecordingsOfEveryPathReplayAsTheDrivesDid)
{
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(c.folder);
        // Left to the process's end, as a silent request may still use them.
        ReplayDevices& devices = *new ReplayDevices(kReplayDir + c.folder);
        ScratchFolder recording;
        std::string error;
        ASSERT_TRUE(RecordIdentifyReplies(devices, recording.path, error)) << error;
        ReplayDevices& replayed = *new ReplayDevices(recording.path);
        const IdentifyScan scan = IdentifyScanner(replayed).Scan();
        EXPECT_EQ(c.rows, scan.rows);
        // A drive that gave nothing and counts for nothing is not kept; a port is.
        const std::regex left("PhysicalDrive[0-9]+ (refused|not_scanned)");
        std::vector<std::string> kept;
        for (const std::string& outcome : c.outcomes)
            if (!std::regex_match(outcome, left))
                kept.push_back(outcome);
        EXPECT_EQ(kept, Outcomes(scan));
    }
}

// The recording goes nowhere a link leads: not into a folder given as a
// link, nor into one a link stands in place of.
TEST(IdentifyRecord, NothingIsWrittenWhereALinkLeads)
{
    ReplayDevices devices(kReplayDir + "usb-bridges");
    ScratchFolder scratch;
    CreateDirectoryA(scratch.path.c_str(), nullptr);
    for (const FolderLink& link : FolderLinks(scratch.path)) {
        SCOPED_TRACE(link.what);
        std::string error;
        EXPECT_FALSE(RecordIdentifyReplies(devices, link.path, error));
        EXPECT_EQ("cannot write in " + link.path + ": it is a link (a junction or a symbolic link)",
                  error);
        HeldFolder held;
        EXPECT_FALSE(MakeNewFolder(link.path, held));
        EXPECT_FALSE(held.IsHeld());
        EXPECT_TRUE(IsEmptyFolder(link.target));
    }
    RemoveFolderTree(scratch.path);
}

// Drives that answer as recorded, and a user who may write in the folder
// of the recording and puts a junction where drive 1's folder goes: before
// it is made, or once made, in its place (moving it away).
class JunctionPlanter final : public DeviceIo {
public:
    JunctionPlanter(const std::string& replay, const std::string& folder, bool swap,
                    std::string target)
        : replay(replay), folder(folder), swap(swap), target(std::move(target))
    {
    }
    HANDLE Open(const char* path, DWORD access, DWORD share) override
    {
        const HANDLE device = replay.Open(path, access, share);
        if (!swap && std::string(path) == "\\\\.\\PhysicalDrive1")
            planted = MakeJunction(folder, target);
        return device;
    }
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override
    {
        if (swap && !tried && GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
            tried = true;
            planted = MoveFileA(folder.c_str(), (folder + "-moved").c_str()) &&
                      MakeJunction(folder, target);
        }
        return replay.Control(device, code, in, inSize, out, outSize, returned);
    }
    void Close(HANDLE device) override { replay.Close(device); }

    bool planted = false;

private:
    ReplayDevices replay;
    std::string folder;
    bool swap;
    std::string target;
    bool tried = false;
};

TEST(IdentifyRecord, AJunctionPutWhereADrivesFolderGoesLeadsNothingAway)
{
    ScratchFolder recording;
    const std::string target = recording.path + "-target";
    CreateDirectoryA(target.c_str(), nullptr);
    if (!MakeJunction(recording.path + "-junction", target)) {
        std::printf("No junctions here: the planted junction cases do not run.\n");
        RemoveDirectoryA(target.c_str());
        return;
    }
    RemoveDirectoryA((recording.path + "-junction").c_str());
    const std::string drive1 = recording.path + "\\1";
    const struct {
        bool swap;
        bool recorded;
        std::string error;
    } cases[] = {
        // The name is taken: the folder cannot be made.
        {false, false, "cannot create the folder " + drive1},
        // A folder made is held while it is written in: it cannot be moved.
        {true, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.swap ? "in its place" : "before it is made");
        JunctionPlanter devices(kReplayDir + "usb-bridges", drive1, c.swap, target);
        std::string error;
        EXPECT_EQ(c.recorded, RecordIdentifyReplies(devices, recording.path, error)) << error;
        EXPECT_EQ(c.error, error);
        EXPECT_EQ(!c.swap, devices.planted);
        EXPECT_TRUE(IsEmptyFolder(target));
        RemoveFolderTree(recording.path);
    }
    RemoveFolderTree(target);
}

} // namespace
