#include "tests/win32/support/one_smart_drive.h"

#include <winioctl.h>

#include <cstring>
#include <utility>

namespace {

constexpr DWORD kReplyHeaderSize = 16; // SENDCMDOUTPARAMS up to its data
constexpr DWORD kSectorSize = 512;

// `size` characters from word `word`, blank-padded.
void PutText(unsigned char* sector, int word, std::size_t size, const std::string& text)
{
    std::memset(sector + 2 * word, ' ', size);
    for (std::size_t i = 0; i < text.size() && i < size; ++i)
        sector[2 * word + (i ^ 1)] = static_cast<unsigned char>(text[i]);
}

} // namespace

OneSmartDrive::OneSmartDrive(std::string model, std::string serial, std::string firmware)
    : model(std::move(model)), serial(std::move(serial)), firmware(std::move(firmware))
{
}

bool OneSmartDrive::Exists(const char* path)
{
    return std::strcmp(path, "\\\\.\\PhysicalDrive0") == 0;
}

HANDLE OneSmartDrive::Open(const char* path, DWORD, DWORD)
{
    if (Exists(path))
        return reinterpret_cast<HANDLE>(1);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

bool OneSmartDrive::Control(HANDLE, DWORD code, const void*, DWORD, void* out, DWORD outSize,
                            DWORD* returned)
{
    if (code == SMART_RCV_DRIVE_DATA && outSize >= kReplyHeaderSize + kSectorSize) {
        auto* sector = static_cast<unsigned char*>(out) + kReplyHeaderSize;
        PutText(sector, 10, 20, serial);
        PutText(sector, 23, 8, firmware);
        PutText(sector, 27, 40, model);
    }
    if (returned)
        *returned = outSize;
    return true;
}
