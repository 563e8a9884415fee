#include "platform/file_path.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

std::string FolderOfFile(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    const bool drive = path.size() >= 2 && path[1] == ':';
    if (slash == std::string::npos)
        return drive ? path.substr(0, 2) + "." : ".";
    if (slash == 0 || (drive && slash == 2))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && IsSeparator(folder.back()))
        return folder + name;
    return folder + "\\" + name;
}

std::string WithoutTrailingSeparators(const std::string& path)
{
    const std::size_t root = path.size() >= 2 && path[1] == ':' ? 3 : 1;
    std::size_t end = path.size();
    while (end > root && IsSeparator(path[end - 1]))
        --end;
    return path.substr(0, end);
}
