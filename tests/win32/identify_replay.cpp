// identify_replay FOLDER: runs the identify scan on the recorded replies in
// FOLDER (see tests/win32/support/replay_devices.h) and prints one JSON line
// per row, in row order, and a line on standard error for each drive given up.
// identify_replay --window FOLDER: the program's main window over those drives.

#include "app/program_state.h"
#include "app/startup.h"
#include "identify/identify_scanner.h"
#include "tests/win32/support/replay_devices.h"

#include <cstdio>
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

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--window") {
        g_devices = new ReplayDevices(argv[2]);
        return RunVestrel(GetModuleHandleA(nullptr));
    }
    if (argc != 2) {
        std::fprintf(stderr, "Usage: identify_replay [--window] FOLDER\n");
        return 2;
    }
    const DWORD attributes = GetFileAttributesA(argv[1]);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "identify_replay: %s is not a folder\n", argv[1]);
        return 2;
    }
    ReplayDevices devices(argv[1]);
    IdentifyScanner scanner(devices);
    for (const IdentifyRow& row : scanner.ReadRows())
        std::printf("{\"index\":%d, \"model\":%s, \"serial\":%s, \"firmware\":%s}\n", row.index,
                    JsonString(row.drive.model).c_str(), JsonString(row.drive.serial).c_str(),
                    JsonString(row.drive.revision).c_str());
    for (const SilentRequest& silent : scanner.SilentRequests())
        std::fprintf(stderr, "%s\n", SilentRequestLine(silent, kDeviceDeadlineMs).c_str());
    return 0;
}
