#pragma once

#include "platform/device_io.h"

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// One request a replay was sent: the device, the I/O control code, the whole
// input buffer and, for a SCSI pass-through, its CDB.
struct ReplayRequest {
    std::string target; // "PhysicalDrive2", "Scsi3:"
    DWORD code;
    std::vector<unsigned char> in;
    std::vector<unsigned char> cdb;
};

// The devices of a recording (tests/data/replay/README.md): in `folder`, one
// subfolder per physical drive ("0", "1", ...) and per SCSI port ("scsi2"),
// holding per request the data the driver returned. A device without a
// subfolder does not exist; a request without its file fails; a request
// whose file is KIND.hang in place of KIND.bin never answers, blocking until
// the process ends (open.hang: the device's open never returns). Replies are given back as the
// drivers give them: a pass-through reply with the ATA status of a command that ended well, an NVMe
// reply behind its descriptor, each with the byte counts of the recorded data. A bridge's own
// command is answered only when its bytes are exactly those that bridge takes, else as the bridge
// answers a command it does not know; Intel RST's NVMe pass-through only for Identify Controller,
// byte for byte, to the drive whose recorded SCSI address names the port and path. Safe to use from
// several threads at once.
class ReplayDevices final : public DeviceIo {
public:
    explicit ReplayDevices(std::string folder);
    ~ReplayDevices() override;

    HANDLE Open(const char* path, DWORD access, DWORD share) override;
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override;
    void Close(HANDLE) override {}
    bool Exists(const char* path) override;
    std::vector<std::string> DeviceNames() override;
    std::unique_ptr<StorageTopology> ReadTopology(DeviceIo& opener) override;

    // Every request sent so far, grouped by device in the order of the scan
    // (physical drives by index, then ports), each device's in the order sent.
    std::vector<ReplayRequest> Requests() const;

private:
    // The folder of the device at `path`, or empty when it names none.
    std::string FolderOf(const char* path) const;
    std::string FolderOf(HANDLE device) const;

    // Copies the recorded file `name` of the device's folder into `out`, at
    // most `capacity` bytes (none when it is 0); returns the bytes copied, or
    // -1 when there is no such file.
    long Recorded(const std::string& device, const char* name, unsigned char* out,
                  std::size_t capacity) const;

    // Blocks for good when the device's folder holds the file `name`.
    void HangIfSilent(const std::string& device, const char* name) const;

    void Log(HANDLE device, DWORD code, const void* in, DWORD inSize);

    bool AnswerSmartIdentify(const std::string& device, void* out, DWORD outSize,
                             DWORD* returned) const;
    bool AnswerPassThrough(const std::string& device, const void* in, DWORD inSize, void* out,
                           DWORD outSize, DWORD* returned) const;
    bool AnswerBridgeCommand(const std::string& device, DWORD inSize, void* out, DWORD outSize,
                             DWORD* returned) const;
    bool AnswerPropertyQuery(const std::string& device, const void* in, DWORD inSize, void* out,
                             DWORD outSize, DWORD* returned) const;
    bool AnswerNvmeQuery(const std::string& device, const void* in, DWORD inSize, void* out,
                         DWORD outSize, DWORD* returned) const;
    bool AnswerRecorded(const std::string& device, const char* name, void* out, DWORD outSize,
                        DWORD* returned) const;
    bool AnswerCsmi(const std::string& device, const void* in, DWORD inSize, void* out,
                    DWORD outSize, DWORD* returned) const;
    bool AnswerCsmiIdentify(const std::string& device, unsigned char* bytes, DWORD size,
                            DWORD* returned) const;
    bool AnswerRstNvme(int port, const void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* returned) const;
    std::string DriveOnPath(int port, unsigned char pathId) const;

    std::string folder;
    mutable CRITICAL_SECTION lock;
    std::vector<ReplayRequest> requests;
};
