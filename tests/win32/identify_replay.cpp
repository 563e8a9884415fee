// identify_replay [--requests] [--report FILE] [--window] FOLDER: the identify
// scan on the recorded replies in FOLDER (tests/data/replay/README.md).
// - Alone, it prints one JSON line per row, in row order, and a line on
//   standard error for each drive given up.
// - --requests first prints one JSON line per request the scan sent: its
//   device, I/O control code, whole input buffer and, for a SCSI
//   pass-through, its CDB, in hex.
// - --report FILE writes what `Vestrel.exe /report FILE` writes over those
//   drives, in place of the rows, and exits with its exit code.
// - --window shows the program's main window over those drives.

#include "app/program_state.h"
#include "app/startup.h"
#include "identify/identify_scanner.h"
#include "tests/win32/support/replay_devices.h"
#include "unattended/command_modes.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A JSON string; a byte that is not printable ASCII is written as the
// character with that byte's value, so every reply byte stays visible.
std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += static_cast<char>(c);
        }
    }
    return json + "\"";
}

std::string Hex(const std::vector<unsigned char>& bytes)
{
    std::string hex;
    for (unsigned char byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

void PrintRequests(const ReplayDevices& devices)
{
    for (const ReplayRequest& request : devices.Requests()) {
        std::printf("{\"target\":%s, \"ioctl\":\"0x%lx\", \"in\":\"%s\"",
                    JsonString(request.target).c_str(), static_cast<unsigned long>(request.code),
                    Hex(request.in).c_str());
        if (!request.cdb.empty())
            std::printf(", \"cdb\":\"%s\"", Hex(request.cdb).c_str());
        std::printf("}\n");
    }
}

void PrintRows(const IdentifyScan& scan)
{
    for (const IdentifyRow& row : scan.rows) {
        const std::string index = row.index < 0 ? "null" : std::to_string(row.index);
        std::printf("{\"index\":%s, \"model\":%s, \"serial\":%s, \"firmware\":%s", index.c_str(),
                    JsonString(row.drive.model).c_str(), JsonString(row.drive.serial).c_str(),
                    JsonString(row.drive.revision).c_str());
        // A drive behind a RAID driver has no index: its place says where it is.
        if (row.index < 0)
            std::printf(", \"where\":%s", JsonString(row.where).c_str());
        std::printf("}\n");
    }
    for (const ScannedDrive& drive : scan.drives) {
        const std::string line = ScannedDriveLine(drive, kDeviceDeadlineMs, false);
        if (!line.empty())
            std::fprintf(stderr, "%s\n", line.c_str());
    }
}

int Usage()
{
    std::fprintf(stderr, "Usage: identify_replay [--requests] [--report FILE] [--window] FOLDER\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool requests = false;
    bool window = false;
    const char* report = nullptr;
    int at = 1;
    for (; at < argc - 1; ++at) {
        if (std::strcmp(argv[at], "--requests") == 0)
            requests = true;
        else if (std::strcmp(argv[at], "--window") == 0)
            window = true;
        else if (std::strcmp(argv[at], "--report") == 0 && at + 2 < argc)
            report = argv[++at];
        else
            return Usage();
    }
    if (at != argc - 1)
        return Usage();
    const char* folder = argv[at];
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "identify_replay: %s is not a folder\n", folder);
        return 2;
    }
    // Left to the process's end: a request given up may still be using it.
    auto* devices = new ReplayDevices(folder);
    if (window) {
        g_devices = devices;
        return RunVestrel(GetModuleHandleA(nullptr));
    }
    if (report) {
        Command command;
        command.mode = CommandMode::Report;
        command.path = report;
        const int exitCode = RunCommand(command, *devices);
        if (requests)
            PrintRequests(*devices);
        return exitCode;
    }
    const IdentifyScan scan = IdentifyScanner(*devices).Scan();
    if (requests)
        PrintRequests(*devices);
    PrintRows(scan);
    return 0;
}
