#include "platform/library_path.h"

#include "platform/bounded_text.h"

#include <cstring>

namespace {

bool EndsWithSeparator(const char* text, std::size_t length)
{
    return length > 0 && (text[length - 1] == '\\' || text[length - 1] == '/');
}

} // namespace

bool JoinLibraryPath(char* dst, std::size_t capacity, const char* directory, const char* name)
{
    if (capacity > 0)
        dst[0] = '\0';
    if (!directory || !name || !*directory || !*name || capacity == 0)
        return false;
    const std::size_t directoryLength = std::strlen(directory);
    // A root directory ("C:\") already ends with its separator.
    const char* separator = EndsWithSeparator(directory, directoryLength) ? "" : "\\";
    const std::size_t wanted = directoryLength + std::strlen(separator) + std::strlen(name);
    CopyText(dst, capacity, directory);
    AppendText(dst, capacity, separator);
    if (AppendText(dst, capacity, name) == wanted)
        return true;
    dst[0] = '\0';
    return false;
}
