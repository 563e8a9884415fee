#include "identify/identify_recorder.h"

#include "identify/identify_scanner.h"
#include "platform/file_path.h"
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

bool CreateFolder(const std::string& folder)
{
    return CreateDirectoryW(WideFromUtf8(folder).c_str(), nullptr) != FALSE;
}

// A recording must not mix with the files of an earlier one.
bool PrepareDirectory(const std::string& directory, std::string& error)
{
    if (CreateFolder(directory))
        return true;
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(directory).c_str());
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

bool WriteRecordedFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    return CloseHandle(file) && ok;
}

bool WriteRecording(const std::string& directory, const IdentifyScan& scan, std::string& error)
{
    for (const std::string& name : scan.folders) {
        const std::string folder = JoinPath(directory, name);
        if (!CreateFolder(folder)) {
            error = "cannot create the folder " + folder;
            return false;
        }
    }
    for (const RecordedFile& file : scan.files) {
        const std::string path = JoinPath(JoinPath(directory, file.folder), file.name);
        if (!WriteRecordedFile(path, file.bytes)) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

} // namespace

bool RecordIdentifyReplies(DeviceIo& system, const std::string& directory, std::string& error)
{
    if (!PrepareDirectory(directory, error))
        return false;
    const IdentifyScan scan = IdentifyScanner(system).Record();
    WriteScannedDriveLines(scan.drives, false);
    if (scan.folders.empty()) {
        error = "no drive answered an identify request: nothing was recorded in " + directory;
        return false;
    }
    return WriteRecording(directory, scan, error);
}
