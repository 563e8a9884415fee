#include "identify/identify_recorder.h"

#include "identify/identify_requests.h"
#include "identify/identify_scanner.h"
#include "platform/file_path.h"
#include "platform/new_files.h"
#include "platform/timed_device_io.h"
#include "platform/unicode_text.h"

#include <windows.h>

namespace {

bool IsEmptyFolder(const std::string& directory)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WideFromUtf8(JoinPath(directory, "*")).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool empty = true;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            empty = false;
    } while (empty && FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

// Made where no link stood, or checked to be no link, and held while the
// recording is written into it, so that no file goes where a link leads.
bool CreateFolder(const std::string& folder, HeldFolder& held)
{
    return MakeNewFolder(folder, held);
}

// A recording must not mix with the files of an earlier one.
bool PrepareDirectory(const std::string& directory, HeldFolder& held, std::string& error)
{
    if (CreateFolder(directory, held))
        return true;
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(directory).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "cannot create the folder " + directory;
        return false;
    }
    error = HoldFolder(directory, held);
    if (!error.empty())
        return false;
    if (!IsEmptyFolder(directory)) {
        error = "the folder " + directory + " is not empty";
        return false;
    }
    return true;
}

bool WriteReplyFile(const std::string& path, const IdentifyReply& reply)
{
    return WriteNewFile(path, reply.bytes.data(), reply.size);
}

// The mark of a request that never answered, so that the recording replays
// the silence too.
bool RecordSilence(const std::string& folder, int index, IdentifyRequest request,
                   std::string& error)
{
    WriteSilentRequestLines({{index, request}});
    const std::string path = JoinPath(folder, SilentFileName(request));
    if (!WriteReplyFile(path, IdentifyReply())) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

// Counts in `recorded` each file written: a reply, or the mark of a silence,
// which is worth a report as much.
bool RecordDrive(TimedDeviceIo& devices, HANDLE drive, int index, const std::string& folder,
                 int& recorded, std::string& error)
{
    HeldFolder held;
    if (!CreateFolder(folder, held)) {
        error = "cannot create the folder " + folder;
        return false;
    }
    for (IdentifyRequest request : kIdentifyRequests) {
        IdentifyReply reply;
        const bool answered = SendIdentifyRequest(devices, drive, index, request, reply);
        if (devices.IsSilent(drive)) {
            ++recorded;
            return RecordSilence(folder, index, request, error);
        }
        if (!answered)
            continue;
        const std::string path = JoinPath(folder, ReplyFileName(request));
        if (!WriteReplyFile(path, reply)) {
            error = "cannot write " + path;
            return false;
        }
        ++recorded;
    }
    return true;
}

} // namespace

bool RecordIdentifyReplies(DeviceIo& system, const std::string& directory, std::string& error)
{
    TimedDeviceIo devices(system, kDeviceDeadlineMs);
    HeldFolder held;
    if (!PrepareDirectory(directory, held, error))
        return false;
    int recorded = 0;
    for (int index = 0; index < kPhysicalDriveCount; ++index) {
        const HANDLE drive = OpenPhysicalDrive(devices, index);
        if (drive == INVALID_HANDLE_VALUE)
            continue;
        const bool written = RecordDrive(
            devices, drive, index, JoinPath(directory, std::to_string(index)), recorded, error);
        devices.Close(drive);
        if (!written)
            return false;
    }
    if (recorded == 0)
        error = "no drive answered an identify request: nothing was recorded in " + directory;
    return recorded > 0;
}
