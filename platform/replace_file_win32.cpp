#include "platform/replace_file.h"

#include "platform/file_path.h"
#include "platform/std_streams.h"
#include "platform/unicode_text.h"

#include <windows.h>

#include <ntsecapi.h>

#include <cstdio>

namespace {

// Names that are taken (by a file, a folder or a link) before another is tried.
constexpr int kNameAttempts = 16;

std::string ErrorText(DWORD error)
{
    return " (error " + std::to_string(error) + ")";
}

// A name nobody can guess ahead, so nobody can plant anything there; empty
// when the system has no random bytes to give.
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

// Creates a file that did not exist at `path`. FILE_FLAG_OPEN_REPARSE_POINT
// keeps a link planted at the name from being followed to its target.
HANDLE CreateNewFile(const std::string& path)
{
    return CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

bool IsNameTaken(DWORD error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           error == ERROR_ACCESS_DENIED; // a folder, or a file being deleted
}

} // namespace

std::string RefusalToReplace(const std::string& path)
{
    // Windows refuses to replace a read-only file, but not every system that
    // runs this program does, so the attribute is checked here.
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::string();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "cannot write " + path + ": it is a folder";
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
