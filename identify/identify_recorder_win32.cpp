#include "identify/identify_recorder.h"

#include "identify/identify_scanner.h"
#include "platform/escaped_exception.h"
#include "platform/file_path.h"
#include "platform/new_files.h"
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

// Each drive's and port's folder, made and held while its files go in; the
// files of one folder come together.
bool WriteRecording(const std::string& directory, const IdentifyScan& scan, std::string& error)
{
    auto file = scan.files.begin();
    for (const std::string& name : scan.folders) {
        const std::string folder = JoinPath(directory, name);
        HeldFolder held;
        if (!CreateFolder(folder, held)) {
            error = "cannot create the folder " + folder;
            return false;
        }
        for (; file != scan.files.end() && file->folder == name; ++file) {
            const std::string path = JoinPath(folder, file->name);
            if (!WriteNewFile(path, file->bytes.data(), file->bytes.size())) {
                error = "cannot write " + path;
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool RecordIdentifyReplies(DeviceIo& system, const std::string& directory, std::string& error)
{
    HeldFolder held;
    if (!PrepareDirectory(directory, held, error))
        return false;
    const IdentifyScan scan = IdentifyScanner(system).Record();
    // A drive whose scan threw would be missing, or recorded as it never answered.
    if (TakeEscapedException(error))
        return false;
    WriteScannedDriveLines(scan.drives, false);
    if (scan.folders.empty()) {
        error = "no drive answered an identify request: nothing was recorded in " + directory;
        return false;
    }
    return WriteRecording(directory, scan, error);
}
