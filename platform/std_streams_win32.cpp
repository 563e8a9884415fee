#include "platform/std_streams.h"

#include <algorithm>

HANDLE RedirectedStdHandle(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return nullptr;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE ? handle : nullptr;
}

bool WriteAll(HANDLE file, const std::string& text)
{
    constexpr std::size_t kChunk = 64 * 1024;
    std::size_t done = 0;
    while (done < text.size()) {
        const DWORD size = static_cast<DWORD>(std::min(kChunk, text.size() - done));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + done, size, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

bool WriteErrorLine(const std::string& line)
{
    HANDLE error = RedirectedStdHandle(STD_ERROR_HANDLE);
    return error && WriteAll(error, line + "\r\n");
}
