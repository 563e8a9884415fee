#include "identify/identify_scanner.h"

#include "app/drive_list.h"

#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

// The request and reply layouts the SMART driver expects; a header that
// differs must fail the build, not the user's machine.
static_assert(SMART_GET_VERSION == 0x74080, "SMART_GET_VERSION");
static_assert(SMART_RCV_DRIVE_DATA == 0x7C088, "SMART_RCV_DRIVE_DATA");
static_assert(sizeof(GETVERSIONINPARAMS) == 24, "GETVERSIONINPARAMS");
static_assert(sizeof(SENDCMDINPARAMS) == 33, "SENDCMDINPARAMS");
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bCommandReg) == 10,
              "command register");
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == 16, "identify data offset");

namespace {

constexpr int kDriveCount = 32;
constexpr BYTE kIdentifyDevice = 0xEC;
constexpr DWORD kRequestSize = sizeof(SENDCMDINPARAMS);                // 33
constexpr DWORD kReplyBufferSize = kRequestSize + kIdentifySectorSize; // 545

void FillIdentifyRequest(int index, unsigned char (&buffer)[kReplyBufferSize])
{
    SENDCMDINPARAMS request = {};
    request.cBufferSize = kIdentifySectorSize;
    request.irDriveRegs.bSectorCountReg = 1;
    request.irDriveRegs.bSectorNumberReg = 1;
    request.irDriveRegs.bDriveHeadReg = 0xA0;
    request.irDriveRegs.bCommandReg = kIdentifyDevice;
    request.bDriveNumber = static_cast<BYTE>(index);
    std::memcpy(buffer, &request, sizeof request);
}

bool DriverReportedError(const unsigned char (&buffer)[kReplyBufferSize])
{
    return buffer[offsetof(SENDCMDOUTPARAMS, DriverStatus) +
                  offsetof(DRIVERSTATUS, bDriverError)] != 0;
}

} // namespace

std::vector<DriveRow> IdentifyScanner::Rows()
{
    std::vector<DriveRow> rows;
    for (int index = 0; index < kDriveCount; ++index) {
        IdentifyWords words;
        if (!ReadIdentify(index, words))
            continue;
        IdentifyRowTexts texts;
        MakeIdentifyRowTexts(words, texts);
        rows.push_back({RowSource::Identify, texts.model, texts.serial, texts.firmware});
    }
    return rows;
}

bool IdentifyScanner::ScanDrives(HWND list)
{
    const std::vector<DriveRow> rows = Rows();
    for (const DriveRow& row : rows)
        InsertDriveRow(list, row.model.c_str(), row.serial.c_str(), row.firmware.c_str());
    return !rows.empty();
}

void IdentifyScanner::AddIdentifyRow(const IdentifyWords& words, HWND list)
{
    IdentifyRowTexts texts;
    MakeIdentifyRowTexts(words, texts);
    InsertDriveRow(list, texts.model, texts.serial, texts.firmware);
}

bool IdentifyScanner::ReadIdentify(int index, IdentifyWords& words)
{
    char path[256];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", index);
    HANDLE drive = devices.Open(path, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (drive == INVALID_HANDLE_VALUE)
        return false;
    const bool answered = Identify(drive, index, words);
    devices.Close(drive);
    return answered;
}

bool IdentifyScanner::Identify(HANDLE drive, int index, IdentifyWords& words)
{
    GETVERSIONINPARAMS version = {};
    DWORD returned = 0;
    if (!devices.Control(drive, SMART_GET_VERSION, nullptr, 0, &version, sizeof version, &returned))
        return false;

    // Request and reply share one cleared buffer: a driver that answers
    // short leaves zeros, never stale bytes, behind its header.
    unsigned char buffer[kReplyBufferSize] = {};
    FillIdentifyRequest(index, buffer);
    if (!devices.Control(drive, SMART_RCV_DRIVE_DATA, buffer, kRequestSize, buffer,
                         kReplyBufferSize, &returned) ||
        DriverReportedError(buffer))
        return false;

    unsigned char sector[kIdentifySectorSize];
    std::memcpy(sector, buffer + offsetof(SENDCMDOUTPARAMS, bBuffer), sizeof sector);
    words = IdentifyWordsFromBytes(sector);
    return true;
}
