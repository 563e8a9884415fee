#include "platform/replace_file.h"

#include "platform/file_path.h"
#include "platform/new_files.h"
#include "platform/std_streams.h"
#include "platform/unicode_text.h"

#include <windows.h>

namespace {

// Names that are taken (by a file, a folder or a link) before another is tried.
constexpr int kNameAttempts = 16;

std::string ErrorText(DWORD error)
{
    return " (error " + std::to_string(error) + ")";
}

bool IsNameTaken(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           error == ERROR_ACCESS_DENIED; // a folder, or a file being deleted
}

} // namespace

std::string RefusalToReplace(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::string();
    // The move would put an ordinary file where the link (to a share, say)
    // stood, and the run would report success.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return "cannot write " + path + ": it is a link (a junction or a symbolic link)";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "cannot write " + path + ": it is a folder";
    // Windows refuses to replace a read-only file, but not every system that
    // runs this program does, so the attribute is checked here.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return "cannot write " + path + ": it is read-only";
    return std::string();
}

std::string ReplaceFileContents(const std::string& path, const std::string& text)
{
    return ReplaceFileContents(path, text, UnpredictableName);
}

std::string ReplaceFileContents(const std::string& path, const std::string& text,
                                const std::function<std::string()>& nextName)
{
    const std::string folder = FolderOfFile(path);
    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kNameAttempts && IsNameTaken(error); ++attempt) {
        const std::string name = nextName();
        if (name.empty())
            return "cannot make a temporary name in the folder of " + path;
        temporary = JoinPath(folder, name);
        file = CreateNewFile(temporary);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    if (file == INVALID_HANDLE_VALUE)
        return "cannot write in the folder of " + path + ErrorText(error);

    const bool written = WriteAll(file, text) && FlushFileBuffers(file);
    error = GetLastError();
    CloseHandle(file);
    std::string failure =
        written ? RefusalToReplace(path) : "cannot write " + path + ErrorText(error);
    if (failure.empty() && !MoveFileExW(WideFromUtf8(temporary).c_str(), WideFromUtf8(path).c_str(),
                                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        failure = "cannot replace " + path + ErrorText(GetLastError());
    if (!failure.empty())
        DeleteFileW(WideFromUtf8(temporary).c_str());
    return failure;
}
