#pragma once

#include "platform/device_io.h"

#include <cstddef>
#include <string>
#include <utility>

// Physical drives that answer with recorded replies: in `folder`, one
// subfolder per drive index ("0", "1", ...) holding, per request, the data
// the driver returned (smart.bin, sat16.bin, sat12.bin, nvme.bin). A drive
// without a subfolder cannot be opened; a request without its file fails.
// A request whose file is KIND.hang in place of KIND.bin never answers: it
// blocks until the process ends (smart.hang silences both SMART requests);
// with open.hang in its folder, the drive's open never returns.
// The replies are given back as the drivers give them: a pass-through reply
// with the ATA status of a command that ended well, an NVMe reply behind its
// descriptor, each with the byte counts of the recorded data.
class ReplayDevices final : public DeviceIo {
public:
    explicit ReplayDevices(std::string folder) : folder(std::move(folder)) {}

    HANDLE Open(const char* path, DWORD access, DWORD share) override;
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override;
    void Close(HANDLE) override {}

private:
    // Copies the recorded file of drive `index` into `out`, at most
    // `capacity` bytes (none when it is 0); returns the bytes copied, or -1
    // when there is no such file.
    long Recorded(int index, const char* name, unsigned char* out, std::size_t capacity) const;

    // Blocks for good when drive `index` holds the file `name`.
    void HangIfSilent(int index, const char* name) const;

    bool AnswerSmartIdentify(int index, void* out, DWORD outSize, DWORD* returned) const;
    bool AnswerPassThrough(int index, const void* in, DWORD inSize, void* out, DWORD outSize,
                           DWORD* returned) const;
    bool AnswerNvmeQuery(int index, const void* in, DWORD inSize, void* out, DWORD outSize,
                         DWORD* returned) const;

    std::string folder;
};
