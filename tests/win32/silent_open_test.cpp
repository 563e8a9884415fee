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
#include <vector>

namespace {

// Drive 1 of this recording never opens; drives 0 and 2 answer
// (tests/data/replay/README.md).
const std::string kSilentOpen = std::string(VESTREL_TEST_DATA_DIR) + "/replay/silent-open";
const std::vector<std::string> kAnsweringModels = {"ORDIX HTS725050A7E630", "PELLUM MK1651GSY"};

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

std::vector<std::string> Models(HWND list)
{
    std::vector<std::string> models;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
        models.push_back(CellText(list, row, 0));
    return models;
}

template <typename Call> DWORD Timed(Call call)
{
    const DWORD start = GetTickCount();
    call();
    return GetTickCount() - start;
}

// Asks the main window for an answer a while into the scan, from another
// thread, as the system does to tell a hung window.
DWORD WINAPI AskTheWindowMidScan(void* answered)
{
    Sleep(kDeviceDeadlineMs / 4);
    DWORD_PTR result = 0;
    *static_cast<bool*>(answered) =
        SendMessageTimeoutA(g_hMainWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
    return 0;
}

class SilentOpen : public ProgramWindowTest {
protected:
    void TearDown() override
    {
        g_devices = &SystemDeviceIo();
        ProgramWindowTest::TearDown();
    }
    static void Rescan() { SendMessageA(g_hMainWnd, WM_COMMAND, IDM_RESCAN, 0); }
};

DeviceIo* SilentOpenReplay()
{
    return new ReplayDevices(kSilentOpen);
}

DeviceIo* SilentVolume()
{
    return new SilentFirstVolume;
}

TEST_F(SilentOpen, TheWindowAnswersWhileAnOpenWaitsAndTheNextScanNeitherOpensNorWaitsAgain)
{
    const struct {
        const char* what;
        DeviceIo* (*makeDevices)(); // fresh for each case: a silence is the devices' own
        bool startUp;               // the first scan is start-up's, else F5's
        bool volumes;               // the silent open is discovery's volume query
        std::vector<std::string> models;
    } cases[] = {
        {"a drive at start-up", SilentOpenReplay, true, false, kAnsweringModels},
        {"a drive on F5", SilentOpenReplay, false, false, kAnsweringModels},
        {"a volume at start-up", SilentVolume, true, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.volumes && !DiscoveryQueriesVolumes()) {
            std::printf("This system's version selects the registry: \"%s\" does not run.\n",
                        c.what);
            continue;
        }
        // Left to the process's end: the open left behind still uses it.
        DeviceIo* devices = c.makeDevices();
        g_devices = devices;
        SendMessageA(g_hDriveList, LVM_DELETEALLITEMS, 0, 0);
        g_driveRecords.Clear();
        const std::size_t before = AbandonedDeviceRequests();

        bool answered = false;
        const HANDLE prober = CreateThread(nullptr, 0, AskTheWindowMidScan, &answered, 0, nullptr);
        ASSERT_NE(nullptr, prober);
        const DWORD took = Timed([&] {
            if (c.startUp)
                ScanDrivesIntoList(g_hDriveList, *devices);
            else
                Rescan();
        });
        WaitForSingleObject(prober, INFINITE);
        CloseHandle(prober);
        EXPECT_TRUE(answered) << "the window did not answer while the open waited";
        EXPECT_GE(took + 100, kDeviceDeadlineMs);
        EXPECT_LT(took, kDeviceDeadlineMs + 2000);
        EXPECT_EQ(c.models, Models(g_hDriveList));
        EXPECT_EQ(before + 1, AbandonedDeviceRequests());

        EXPECT_LT(Timed(Rescan), kDeviceDeadlineMs / 2) << "waited for the silent device again";
        EXPECT_EQ(c.models, Models(g_hDriveList));
        EXPECT_EQ(before + 1, AbandonedDeviceRequests()) << "opened again while silent";
    }
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(SilentOpenReport, TheReportListsTheOtherDrivesWithinTheDeadline)
{
    char temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
    Command command;
    command.mode = CommandMode::Report;
    command.path = std::string(temp) + "vestrel-silent-open.csv";
    // Left to the process's end: the open left behind still uses it.
    auto* devices = new ReplayDevices(kSilentOpen);
    const std::size_t before = AbandonedDeviceRequests();

    int exitCode = kExitFailed;
    const DWORD took = Timed([&] { exitCode = RunCommand(command, *devices); });
    const std::string csv = ReadWholeFile(command.path);
    DeleteFileA(command.path.c_str());

    EXPECT_NE(kExitFailed, exitCode);
    EXPECT_LT(took, kDeviceDeadlineMs + 2000);
    for (const char* row : {"identify,ORDIX HTS725050A7E630,TF1500Y9HRAM5B,GH2ZB390,",
                            "identify,PELLUM MK1651GSY,38IGT0G5T,LD001D,"})
        EXPECT_NE(std::string::npos, csv.find(std::string("\r\n") + row)) << row << "\n" << csv;
    EXPECT_EQ(before + 1, AbandonedDeviceRequests());
}

} // namespace
