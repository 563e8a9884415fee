#include "tests/win32/support/folder_link.h"

#include <windows.h>

#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The mount point form of REPARSE_DATA_BUFFER, which MinGW's headers lack.
struct MountPointReparse {
    DWORD tag;
    WORD dataLength;
    WORD reserved;
    WORD substituteOffset;
    WORD substituteLength;
    WORD printOffset;
    WORD printLength;
    wchar_t names[MAX_PATH * 2];
};
constexpr DWORD kMountPointHeader = 8; // tag, data length, reserved

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end()); // test paths are ASCII
}

bool SetMountPoint(HANDLE folder, const std::wstring& target)
{
    // The substitute name is the NT path; an empty print name follows it.
    const std::wstring substitute = L"\\??\\" + target;
    MountPointReparse reparse = {};
    if (substitute.size() + 2 > sizeof reparse.names / sizeof(wchar_t))
        return false;
    reparse.tag = IO_REPARSE_TAG_MOUNT_POINT;
    reparse.substituteLength = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    reparse.printOffset = static_cast<WORD>(reparse.substituteLength + sizeof(wchar_t));
    std::memcpy(reparse.names, substitute.c_str(), reparse.substituteLength);
    reparse.dataLength = static_cast<WORD>(offsetof(MountPointReparse, names) - kMountPointHeader +
                                           reparse.printOffset + sizeof(wchar_t));
    DWORD returned = 0;
    return DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &reparse,
                           kMountPointHeader + reparse.dataLength, nullptr, 0, &returned,
                           nullptr) != FALSE;
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : path;
}

} // namespace

bool MakeJunction(const std::string& link, const std::string& target)
{
    if (!CreateDirectoryA(link.c_str(), nullptr))
        return false;
    const HANDLE folder =
        CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const bool made =
        folder != INVALID_HANDLE_VALUE && SetMountPoint(folder, Wide(FullPath(target)));
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    const DWORD attributes = GetFileAttributesA(link.c_str());
    if (made && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    RemoveDirectoryA(link.c_str());
    return false;
}

std::vector<FolderLink> FolderLinks(const std::string& scratch)
{
    std::vector<FolderLink> links;
    const FolderLink junction{"a junction", scratch + "\\junction", scratch + "\\junction-target"};
    CreateDirectoryA(junction.target.c_str(), nullptr);
    if (MakeJunction(junction.path, junction.target))
        links.push_back(junction);
    else
        std::printf("No junctions here: the junction cases do not run.\n");
#ifdef VESTREL_HOST_LINK_DIR
    const FolderLink host{"the host's symbolic link", VESTREL_HOST_LINK_DIR "\\link",
                          VESTREL_HOST_LINK_DIR "\\target"};
    const DWORD attributes = GetFileAttributesA(host.path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        links.push_back(host);
    else
#endif
        std::printf("No symbolic link to a folder from the test host: its cases do not run.\n");
    return links;
}

void RemoveFolderTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName;
        const std::string path = folder + "\\" + name;
        const DWORD attributes = found.dwFileAttributes;
        if (name == "." || name == "..")
            continue;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveFolderTree(path);
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryA(path.c_str());
        else
            DeleteFileA(path.c_str());
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    RemoveDirectoryA(folder.c_str());
}

bool IsEmptyFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    bool empty = true;
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found))
        empty = empty &&
                (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    return empty;
}
