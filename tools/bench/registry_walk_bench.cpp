// Times the device-interface walk over a tree of device keys under
// HKEY_CURRENT_USER. Driven by registry_walk.sh; not part of the tests.
//   registry_walk_bench create N   builds N device keys as Windows lays them out
//   registry_walk_bench walk [R]   walks them R times (default 1), prints the best time
//   registry_walk_bench delete     removes the tree
//   registry_walk_bench nothing    starts and ends (the cost of a Wine start)
#include "discovery/registry_walk.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kTree[] = "Software\\VestrelBench\\Class";
constexpr char kGuid[] = "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

HKEY Create(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

void SetString(HKEY key, const char* name, const std::string& text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

int CreateTree(int count)
{
    HKEY tree = Create(HKEY_CURRENT_USER, kTree);
    if (!tree)
        return 1;
    const char* vendors[] = {"Corvane", "Pellum", "Ordix", "Brevond", "Tollan"};
    for (int i = 0; i < count; ++i) {
        char instance[32];
        std::snprintf(instance, sizeof instance, "SN%08d&0", i);
        const std::string link = std::string("\\\\?\\USBSTOR#Disk&Ven_") + vendors[i % 5] +
                                 "&Prod_External_Disk&Rev_0130#" + instance + "#" + kGuid;
        std::string name = link;
        for (char& c : name)
            if (c == '\\')
                c = '#';
        HKEY device = Create(tree, name);
        SetString(device, "DeviceInstance", "USBSTOR\\Disk");
        HKEY hash = Create(device, "#");
        SetString(hash, "SymbolicLink", link);
        RegCloseKey(Create(hash, "Device Parameters"));
        HKEY control = Create(hash, "Control");
        const DWORD linked = 1;
        RegSetValueExA(control, "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked),
                       sizeof linked);
        RegCloseKey(control);
        RegCloseKey(hash);
        RegCloseKey(device);
    }
    RegCloseKey(tree);
    return 0;
}

int WalkTree(int rounds)
{
    HKEY tree = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kTree, 0, KEY_READ, &tree) != ERROR_SUCCESS)
        return 1;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    double best = 1e300;
    std::size_t records = 0;
    for (int round = 0; round < rounds; ++round) {
        QueryPerformanceCounter(&start);
        const std::vector<DriveRecord> drives = WalkDeviceInterfaceClass(tree);
        QueryPerformanceCounter(&end);
        const double ms = 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart;
        if (ms < best)
            best = ms;
        records = drives.size();
    }
    RegCloseKey(tree);
    std::printf("walk %.1f ms, %u records\n", best, static_cast<unsigned>(records));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "create") == 0)
        return CreateTree(std::atoi(argv[2]));
    if (argc >= 2 && std::strcmp(argv[1], "walk") == 0)
        return WalkTree(argc >= 3 ? std::atoi(argv[2]) : 1);
    if (argc >= 2 && std::strcmp(argv[1], "delete") == 0)
        return RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\VestrelBench") == ERROR_SUCCESS ? 0 : 1;
    if (argc >= 2 && std::strcmp(argv[1], "nothing") == 0)
        return 0;
    std::fprintf(stderr,
                 "usage: registry_walk_bench create N | walk [ROUNDS] | delete | nothing\n");
    return 2;
}
