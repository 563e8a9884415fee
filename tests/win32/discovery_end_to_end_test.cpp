#include "tests/win32/support/program_process.h"
#include "tests/win32/support/registry_tree.h"
#include "tests/win32/support/remote_rows.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Wine reports the version that this key names to the program alone; Windows
// XP selects the registry walk.
constexpr char kVersionKey[] = "Software\\Wine\\AppDefaults\\" VESTREL_EXE_NAME;

// Spelled out rather than taken from the program, so a typo there shows.
constexpr char kDiskInterfaces[] = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
                                   "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

std::string UsbLink(const std::string& deviceType, const std::string& instance)
{
    return DiskLink("USBSTOR", "Disk&" + deviceType, instance);
}

// The program, told by Wine that it runs on Windows XP, over disk interfaces
// that the test writes into the registry.
class DiscoveryEndToEnd : public ::testing::Test {
protected:
    DiscoveryEndToEnd() { version.SetString("", "Version", "winxp"); }

    // Starts the program and finds its main window and drive list.
    void Start()
    {
        program.emplace(VESTREL_EXE_PATH);
        ASSERT_TRUE(program->Started()) << GetLastError();
        main = program->MainWindow();
        ASSERT_NE(nullptr, main);
        list = FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
        ASSERT_NE(nullptr, list);
    }

    std::vector<Row> Rows() const { return RemoteRows(program->Handle(), list); }

    // Polls until the list shows `expected` or five seconds pass; returns the
    // last rows read.
    std::vector<Row> WaitForRows(const std::vector<Row>& expected) const
    {
        std::vector<Row> rows = Rows();
        for (int wait = 0; wait < 100 && rows != expected; ++wait) {
            Sleep(50);
            rows = Rows();
        }
        return rows;
    }

    void CloseAndExpectExitCodeZero()
    {
        PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, program->ExitCode());
    }

    RegistryTree version{HKEY_CURRENT_USER, kVersionKey};
    RegistryTree devices{HKEY_LOCAL_MACHINE, kDiskInterfaces};
    std::optional<ProgramProcess> program;
    HWND main = nullptr;
    HWND list = nullptr;
};

TEST_F(DiscoveryEndToEnd, VestrelListsTheLinkedDrivesOfKnownBrandsInRegistryOrder)
{
    devices.AddDevice(UsbLink("Ven_Corvane&Prod_ZQ3104220AS&Rev_KC11", "CV0001&0"), 1);
    devices.AddDevice(UsbLink("Ven_Tollan&Prod_Stick&Rev_1.00", "TL0001&0"), 1);
    devices.AddDevice(UsbLink("Ven_Pellum&Prod_External_Disk&Rev_0130", "PL0001&0"), 1);
    devices.AddDevice(UsbLink("Ven_Ordix&Prod_Slim&Rev_2", "OX0001&0"), 0);
    devices.AddDevice(UsbLink("Ven_Brevond&Prod_ZQP3064010AS&Rev_KC2A", "7&2a8b3c4d&0"), 1);
    devices.AddDevice(UsbLink("Ven_Ordix&Prod_Gone&Rev_3", "OX0002&0"), -1);
    devices.AddDevice(DiskLink("SCSI", "Disk&Ven_Ordix&Prod_Fast_SSD", "000000"), 1);
    ASSERT_NO_FATAL_FAILURE(Start());

    // Device keys come in the registry's order of their names: "##?#SCSI#..."
    // before "##?#USBSTOR#...", then by vendor.
    EXPECT_EQ((std::vector<Row>{
                  {"Fast SSD", "000000", "Unknown"},
                  {"ZQP3064010AS", "N/A", "KC2A"},
                  {"ZQ3104220AS", "CV0001", "KC11"},
                  {"External Disk", "PL0001", "0130"},
              }),
              Rows());
    CloseAndExpectExitCodeZero();
}

TEST_F(DiscoveryEndToEnd, F5ListsADrivePluggedInAndDropsOneUnpluggedSinceTheStart)
{
    const std::string pellum = UsbLink("Ven_Pellum&Prod_External_Disk&Rev_0130", "PL0001&0");
    devices.AddDevice(pellum, 1);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ((std::vector<Row>{{"External Disk", "PL0001", "0130"}}), Rows());

    // A drive of a known brand arrives; its key sorts before the other's.
    devices.AddDevice(UsbLink("Ven_Corvane&Prod_ZQ3104220AS&Rev_KC11", "CV0001&0"), 1);
    devices.AddDevice(UsbLink("Ven_Tollan&Prod_Stick&Rev_1.00", "TL0001&0"), 1);
    PostMessageA(list, WM_KEYDOWN, VK_F5, 0);
    const std::vector<Row> both = {{"ZQ3104220AS", "CV0001", "KC11"},
                                   {"External Disk", "PL0001", "0130"}};
    EXPECT_EQ(both, WaitForRows(both));

    // The system marks an unplugged drive's interface as no longer linked.
    devices.AddDevice(pellum, 0);
    PostMessageA(main, WM_KEYDOWN, VK_F5, 0);
    const std::vector<Row> one = {{"ZQ3104220AS", "CV0001", "KC11"}};
    EXPECT_EQ(one, WaitForRows(one));
    CloseAndExpectExitCodeZero();
}

} // namespace
