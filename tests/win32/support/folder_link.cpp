#include "tests/win32/support/folder_link.h"

#include "platform/unicode_text.h"

#include <windows.h>

#include <winioctl.h>

#include <cstdio>

namespace {

bool IsReparsePoint(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Calls `visit` with the path and attributes of each entry of `folder`.
template <typename Visit> void ForEachEntry(const std::string& folder, Visit visit)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            visit(folder + "\\" + name, found.dwFileAttributes);
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

} // namespace

bool MakeJunction(const std::string& link, const std::string& target)
{
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(WideFromUtf8(target).c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH || !CreateDirectoryA(link.c_str(), nullptr))
        return false;
    // REPARSE_DATA_BUFFER for a mount point, which MinGW's headers lack, in
    // 16-bit words: the tag, the length of what follows the reserved word,
    // the reserved word, where the substitute name (the target's NT path) is
    // and how long, where the print name (empty) is and how long; the names.
    const std::wstring names = L"\\??\\" + std::wstring(full, length) + L'\0' + L'\0';
    const WORD bytes = static_cast<WORD>(names.size() * sizeof(wchar_t));
    std::vector<WORD> reparse = {LOWORD(IO_REPARSE_TAG_MOUNT_POINT),
                                 HIWORD(IO_REPARSE_TAG_MOUNT_POINT)};
    reparse.insert(reparse.end(), {WORD(8 + bytes), 0, 0, WORD(bytes - 4), WORD(bytes - 2), 0});
    reparse.insert(reparse.end(), names.begin(), names.end());
    const HANDLE folder =
        CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    DWORD returned = 0;
    const bool made = folder != INVALID_HANDLE_VALUE &&
                      DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, reparse.data(),
                                      static_cast<DWORD>(reparse.size() * sizeof(WORD)), nullptr, 0,
                                      &returned, nullptr);
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
    if (made && IsReparsePoint(link))
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
    if (IsReparsePoint(host.path))
        links.push_back(host);
    else
#endif
        std::printf("No symbolic link to a folder from the test host: its cases do not run.\n");
    return links;
}

void RemoveFolderTree(const std::string& folder)
{
    ForEachEntry(folder, [](const std::string& path, DWORD attributes) {
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA(path.c_str());
        else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            RemoveDirectoryA(path.c_str()); // the link, not where it leads
        else
            RemoveFolderTree(path);
    });
    RemoveDirectoryA(folder.c_str());
}

bool IsEmptyFolder(const std::string& folder)
{
    bool empty = true;
    ForEachEntry(folder, [&empty](const std::string&, DWORD) { empty = false; });
    return empty;
}
