#include "identify/identify_recorder.h"

#include "identify/identify_requests.h"
#include "identify/identify_scanner.h"
#include "platform/timed_device_io.h"

#include <windows.h>

namespace {

std::string JoinPath(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && (directory.back() == '\\' || directory.back() == '/'))
        return directory + name;
    return directory + "\\" + name;
}

bool IsEmptyFolder(const std::string& directory)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(JoinPath(directory, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool empty = true;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            empty = false;
    } while (empty && FindNextFileA(search, &found));
    FindClose(search);
    return empty;
}

// A recording must not mix with the files of an earlier one.
bool PrepareDirectory(const std::string& directory, std::string& error)
{
    if (CreateDirectoryA(directory.c_str(), nullptr))
        return true;
    const DWORD attributes = GetFileAttributesA(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "cannot create the folder " + directory;
        return false;
    }
    if (!IsEmptyFolder(directory)) {
        error = "the folder " + directory + " is not empty";
        return false;
    }
    return true;
}

bool WriteReplyFile(const std::string& path, const IdentifyReply& reply)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, reply.bytes.data(), static_cast<DWORD>(reply.size), &written, nullptr) &&
        written == reply.size;
    return CloseHandle(file) && ok;
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

bool RecordDrive(TimedDeviceIo& devices, HANDLE drive, int index, const std::string& folder,
                 std::string& error)
{
    if (!CreateDirectoryA(folder.c_str(), nullptr)) {
        error = "cannot create the folder " + folder;
        return false;
    }
    for (IdentifyRequest request : kIdentifyRequests) {
        IdentifyReply reply;
        const bool answered = SendIdentifyRequest(devices, drive, index, request, reply);
        if (devices.IsSilent(drive))
            return RecordSilence(folder, index, request, error);
        if (!answered)
            continue;
        const std::string path = JoinPath(folder, ReplyFileName(request));
        if (!WriteReplyFile(path, reply)) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace

bool RecordIdentifyReplies(DeviceIo& system, const std::string& directory, std::string& error)
{
    TimedDeviceIo devices(system, kDeviceDeadlineMs);
    if (!PrepareDirectory(directory, error))
        return false;
    for (int index = 0; index < kPhysicalDriveCount; ++index) {
        const HANDLE drive = OpenPhysicalDrive(devices, index);
        if (drive == INVALID_HANDLE_VALUE)
            continue;
        const bool recorded =
            RecordDrive(devices, drive, index, JoinPath(directory, std::to_string(index)), error);
        devices.Close(drive);
        if (!recorded)
            return false;
    }
    return true;
}
