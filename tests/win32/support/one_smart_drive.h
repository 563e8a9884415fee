#pragma once

#include "platform/device_io.h"

#include <windows.h>

#include <string>

// One physical drive, index 0, that answers the SMART identify request with
// the given texts (blank-padded, two characters a word, the first in the high
// byte, as drives store them); every other index is absent.
class OneSmartDrive final : public DeviceIo {
public:
    OneSmartDrive(std::string model, std::string serial, std::string firmware);

    HANDLE Open(const char* path, DWORD access, DWORD share) override;
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override;
    void Close(HANDLE) override {}
    bool Exists(const char* path) override;

private:
    std::string model;
    std::string serial;
    std::string firmware;
};
