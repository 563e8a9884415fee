#include "discovery/discovery_sources.h"
#include "tests/win32/registry_tree.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

// Wine reports the version that this key names to Vestrel.exe alone; Windows
// XP selects the registry walk.
constexpr char kVersionKey[] = "Software\\Wine\\AppDefaults\\Vestrel.exe";

// A started Vestrel.exe, closed and waited for on destruction.
class RunningProgram {
public:
    RunningProgram()
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        char command[] = VESTREL_EXE_PATH;
        started = CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &process) != FALSE;
    }
    ~RunningProgram()
    {
        if (!started)
            return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return started; }
    HANDLE Process() const { return process.hProcess; }

    // The program's main window once its message loop waits for input:
    // discovery and the identify scan have then filled the list.
    HWND MainWindow() const
    {
        WaitForInputIdle(process.hProcess, 20000);
        for (int attempt = 0; attempt < 200; ++attempt) {
            for (HWND w = FindWindowExA(nullptr, nullptr, "vestrel", nullptr); w;
                 w = FindWindowExA(nullptr, w, "vestrel", nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == process.dwProcessId)
                    return w;
            }
            Sleep(50); // another process: nothing to wait on synchronously
        }
        return nullptr;
    }

private:
    PROCESS_INFORMATION process = {};
    bool started = false;
};

// Reads every row of a list view in another process: the item structure and
// its text buffer must live in that process for the control to fill them.
std::vector<Row> RemoteRows(HANDLE process, HWND list)
{
    constexpr SIZE_T kText = 256;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
    std::vector<Row> rows;
    if (!remote)
        return rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        Row cells;
        for (int column = 0; column < 3; ++column) {
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = remote + sizeof(LVITEMA);
            item.cchTextMax = kText;
            char text[kText] = {};
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            WriteProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof text, nullptr);
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof text, nullptr);
            text[kText - 1] = 0;
            cells.push_back(text);
        }
        rows.push_back(cells);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return rows;
}

std::string UsbLink(const std::string& deviceType, const std::string& instance)
{
    return DiskLink("USBSTOR", "Disk&" + deviceType, instance);
}

// A device key as the system writes it, named after its link; `linked` -1
// leaves out the "Control" key with the "Linked" value.
void AddDevice(RegistryTree& devices, const std::string& link, int linked)
{
    std::string name = link;
    for (char& c : name)
        if (c == '\\')
            c = '#';
    devices.SetString(name, "DeviceInstance", "USBSTOR\\Disk");
    devices.SetString(name + "\\#", "SymbolicLink", link);
    devices.AddKey(name + "\\#\\Device Parameters");
    if (linked >= 0)
        devices.SetDword(name + "\\#\\Control", "Linked", static_cast<DWORD>(linked));
}

TEST(DiscoveryEndToEnd, VestrelListsTheLinkedDrivesOfKnownBrandsInRegistryOrder)
{
    RegistryTree version(HKEY_CURRENT_USER, kVersionKey);
    version.SetString("", "Version", "winxp");
    RegistryTree devices(HKEY_LOCAL_MACHINE, kDiskInterfaceClassKey);
    AddDevice(devices, UsbLink("Ven_Corvane&Prod_ZQ3104220AS&Rev_KC11", "CV0001&0"), 1);
    AddDevice(devices, UsbLink("Ven_Tollan&Prod_Stick&Rev_1.00", "TL0001&0"), 1);
    AddDevice(devices, UsbLink("Ven_Pellum&Prod_External_Disk&Rev_0130", "PL0001&0"), 1);
    AddDevice(devices, UsbLink("Ven_Ordix&Prod_Slim&Rev_2", "OX0001&0"), 0);
    AddDevice(devices, UsbLink("Ven_Brevond&Prod_ZQP3064010AS&Rev_KC2A", "7&2a8b3c4d&0"), 1);
    AddDevice(devices, UsbLink("Ven_Ordix&Prod_Gone&Rev_3", "OX0002&0"), -1);
    AddDevice(devices, DiskLink("SCSI", "Disk&Ven_Ordix&Prod_Fast_SSD", "000000"), 1);

    RunningProgram program;
    ASSERT_TRUE(program.Started()) << GetLastError();
    const HWND main = program.MainWindow();
    ASSERT_NE(nullptr, main);
    const HWND list = FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_NE(nullptr, list);

    // Device keys come in the registry's order of their names: "##?#SCSI#..."
    // before "##?#USBSTOR#...", then by vendor.
    EXPECT_EQ((std::vector<Row>{
                  {"Fast SSD", "000000", "Unknown"},
                  {"ZQP3064010AS", "N/A", "KC2A"},
                  {"ZQ3104220AS", "CV0001", "KC11"},
                  {"External Disk", "PL0001", "0130"},
              }),
              RemoteRows(program.Process(), list));

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(program.Process(), 20000));
    DWORD exitCode = 1;
    GetExitCodeProcess(program.Process(), &exitCode);
    EXPECT_EQ(0u, exitCode);
}

} // namespace
