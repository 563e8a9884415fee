// A device whose open never returns: the window answers while it waits, at
// start-up and on F5, and the next F5 neither opens it again nor waits for
// it; the report lists the other drives within the deadline.

#include "app/program_state.h"
#include "app/rescan.h"
#include "discovery/discovery_driver.h"
#include "platform/timed_device_io.h"
#include "tests/win32/support/program_window.h"
#include "tests/win32/support/replay_devices.h"
#include "unattended/command_line.h"
#include "unattended/command_modes.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

// Drive 1 of this recording never opens; drives 0 and 2 answer
// (tests/data/replay/README.md).
const std::string kSilentOpen = std::string(VESTREL_TEST_DATA_DIR) + "/replay/silent-open";

// The first volume of this system never opens; no other device opens at all.
class SilentFirstVolume final : public DeviceIo {
public:
    HANDLE Open(const char* path, DWORD, DWORD) override
    {
        char roots[1024] = {};
        GetLogicalDriveStringsA(sizeof roots, roots);
        if (std::string(path) == std::string("\\\\?\\") + roots[0] + ":")
            Sleep(INFINITE);
        return INVALID_HANDLE_VALUE;
    }
    bool Control(HANDLE, DWORD, const void*, DWORD, void*, DWORD, DWORD*) override { return false; }
    void Close(HANDLE) override {}
};

using SilentOpen = ProgramWindowTest;

TEST_F(SilentOpen, TheWindowAnswersWhileAnOpenWaitsAndTheNextScanNeitherOpensNorWaitsAgain)
{
    const struct {
        const char* what;
        bool startUp; // the first scan is start-up's, else F5's
        bool volume;  // the silent open is discovery's volume query's, else a drive's
    } cases[] = {
        {"a drive at start-up", true, false},
        {"a drive on F5", false, false},
        {"a volume at start-up", true, true},
    };
    const auto rescan = [] { SendMessageA(g_hMainWnd, WM_COMMAND, IDM_RESCAN, 0); };
    // The other tests scan the system's devices again, however this one ends.
    struct Restore {
        ~Restore() { g_devices = &SystemDeviceIo(); }
    } restore;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.volume && !DiscoveryQueriesVolumes()) {
            std::printf("This system's version selects the registry: \"%s\" does not run.\n",
                        c.what);
            continue;
        }
        // Fresh for each case, as a silence is the devices' own; left to the
        // process's end, as the open left behind still uses them.
        DeviceIo* const devices = c.volume ? static_cast<DeviceIo*>(new SilentFirstVolume)
                                           : new ReplayDevices(kSilentOpen);
        const std::vector<std::string> models =
            c.volume ? std::vector<std::string>{}
                     : std::vector<std::string>{"ORDIX HTS725050A7E630", "PELLUM MK1651GSY"};
        g_devices = devices;
        SendMessageA(g_hDriveList, LVM_DELETEALLITEMS, 0, 0);
        g_driveRecords.Clear();
        const std::size_t before = AbandonedDeviceRequests();

        // Asks the window a while into the scan, as the system does to tell a
        // hung window.
        bool answered = false;
        std::thread prober([&] {
            Sleep(kDeviceDeadlineMs / 4);
            DWORD_PTR result = 0;
            answered = SendMessageTimeoutA(g_hMainWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000,
                                           &result) != 0;
        });
        const DWORD start = GetTickCount();
        if (c.startUp)
            ScanDrivesIntoList(g_hDriveList, *devices);
        else
            rescan();
        const DWORD took = GetTickCount() - start;
        prober.join();
        EXPECT_TRUE(answered) << "the window did not answer while the open waited";
        EXPECT_LT(took, kDeviceDeadlineMs + 2000);
        EXPECT_EQ(models, ListedModels(g_hDriveList));
        EXPECT_EQ(before + 1, AbandonedDeviceRequests());

        const DWORD again = GetTickCount();
        rescan();
        EXPECT_LT(GetTickCount() - again, kDeviceDeadlineMs / 2)
            << "waited for the silent device again";
        EXPECT_EQ(models, ListedModels(g_hDriveList));
        EXPECT_EQ(before + 1, AbandonedDeviceRequests()) << "opened again while silent";
    }
}

TEST(SilentOpenReport, TheReportListsTheOtherDrivesWithinTheDeadline)
{
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    const Command command{CommandMode::Report, std::string(temp) + "vestrel-silent-open.csv", {}};
    // Left to the process's end: the open left behind still uses it.
    auto* devices = new ReplayDevices(kSilentOpen);
    const std::size_t before = AbandonedDeviceRequests();

    const DWORD start = GetTickCount();
    RunCommand(command, *devices);
    EXPECT_LT(GetTickCount() - start, kDeviceDeadlineMs + 2000);
    const std::string csv(
        std::istreambuf_iterator<char>(std::ifstream(command.path, std::ios::binary).rdbuf()),
        std::istreambuf_iterator<char>());
    DeleteFileA(command.path.c_str());
    for (const char* row : {"identify,ORDIX HTS725050A7E630,TF1500Y9HRAM5B,GH2ZB390,",
                            "identify,PELLUM MK1651GSY,38IGT0G5T,LD001D,"})
        EXPECT_NE(std::string::npos, csv.find(std::string("\r\n") + row)) << row << "\n" << csv;
    EXPECT_EQ(before + 1, AbandonedDeviceRequests());
}

} // namespace
