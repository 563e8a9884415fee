#include "platform/new_files.h"

#include "platform/file_path.h"
#include "platform/std_streams.h"
#include "platform/unicode_text.h"

#include <ntsecapi.h>

#include <cstdio>

namespace {

// Opened without FILE_SHARE_DELETE, which a rename or a delete needs. A link
// at the name is opened itself, not its target.
HANDLE OpenFolder(const std::string& path)
{
    return CreateFileW(WideFromUtf8(path).c_str(), FILE_LIST_DIRECTORY,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Why the open `folder` at `path` must not be written in; empty when it may.
std::string FolderRefusal(const std::string& path, HANDLE folder)
{
    // The name's attributes as well as the handle's: Wine shows a link of
    // its host only at the name, and opens the link's target.
    BY_HANDLE_FILE_INFORMATION information = {};
    const DWORD named = GetFileAttributesW(WideFromUtf8(path).c_str());
    if (named == INVALID_FILE_ATTRIBUTES || !GetFileInformationByHandle(folder, &information))
        return "cannot read the folder " + path;
    if ((named | information.dwFileAttributes) & FILE_ATTRIBUTE_REPARSE_POINT)
        return "cannot write in " + path + ": it is a link (a junction or a symbolic link)";
    if (!(named & information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return "cannot write in " + path + ": it is not a folder";
    return std::string();
}

} // namespace

HeldFolder::~HeldFolder()
{
    Hold(INVALID_HANDLE_VALUE);
}

void HeldFolder::Hold(HANDLE folder)
{
    if (IsHeld())
        CloseHandle(handle);
    handle = folder;
}

std::string HoldFolder(const std::string& path, HeldFolder& held)
{
    const HANDLE folder = OpenFolder(path);
    if (folder == INVALID_HANDLE_VALUE)
        return "cannot open the folder " + path + " (error " + std::to_string(GetLastError()) + ")";
    const std::string refusal = FolderRefusal(path, folder);
    if (refusal.empty())
        held.Hold(folder);
    else
        CloseHandle(folder);
    return refusal;
}

bool MakeNewFolder(const std::string& path, HeldFolder& held)
{
    const std::string folder = WithoutTrailingSeparators(path);
    const std::wstring wide = WideFromUtf8(folder);
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const std::string name = UnpredictableName();
    if (name.empty())
        return false;
    const std::wstring temporary = WideFromUtf8(JoinPath(FolderOfFile(folder), name));
    if (!CreateDirectoryW(temporary.c_str(), nullptr))
        return false;
    if (!MoveFileW(temporary.c_str(), wide.c_str())) {
        RemoveDirectoryW(temporary.c_str());
        return false;
    }
    // Someone may have swapped it for a link since: it is checked as held.
    return HoldFolder(folder, held).empty();
}

HANDLE CreateNewFile(const std::string& path)
{
    return CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool WriteNewFile(const std::string& path, const void* data, std::size_t size)
{
    const HANDLE file = CreateNewFile(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool written = WriteAll(file, std::string(static_cast<const char*>(data), size));
    return CloseHandle(file) && written;
}

std::string UnpredictableName()
{
    unsigned char bytes[16];
    if (!RtlGenRandom(bytes, sizeof bytes))
        return std::string();
    std::string name = "vestrel-";
    for (unsigned char byte : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        name += hex;
    }
    return name + ".tmp";
}
