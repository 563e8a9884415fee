#pragma once

#include "platform/device_io.h"

#include <map>
#include <string>
#include <vector>

// The call at which a volume stops answering, for good.
enum class Hang { Never, AtOpen, AtRequest };

// What a volume answers to a storage descriptor query.
struct VolumeAnswer {
    bool opens = true;
    bool answers = true;
    std::vector<unsigned char> reply; // copied into the caller's buffer, cut to its size
    DWORD returned = 0;               // the byte count reported; the reply's size when 0
    Hang hang = Hang::Never;
};

// One I/O control the program sent.
struct SentControl {
    std::string path;
    DWORD code = 0;
    std::vector<unsigned char> in;
    DWORD outSize = 0;
    bool outZeroed = false;
};

// Volumes that answer as the test says, recording what the program asks.
// Several threads may call at once; `answers` is set before. A call that
// hangs is recorded and holds no lock: keep the object to the process's end.
class FakeVolumes final : public DeviceIo {
public:
    std::map<std::string, VolumeAnswer> answers; // by path; other paths do not open

    std::vector<std::string> opened;
    std::vector<DWORD> accesses;
    std::vector<DWORD> shares;
    std::vector<SentControl> sent;
    int closes = 0;

    HANDLE Open(const char* path, DWORD access, DWORD share) override;
    bool Control(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned) override;
    void Close(HANDLE device) override;

private:
    std::vector<std::string> handles; // path of handle i + 1
};

// A descriptor reply of a volume: the bus and four texts at fixed offsets.
std::vector<unsigned char> DescriptorReply(DWORD bus, const char* vendor, const char* model,
                                           const char* revision, const char* serial);

// Sets the 32-bit little-endian field at `at` of a reply.
void SetField(std::vector<unsigned char>& reply, std::size_t at, DWORD value);
