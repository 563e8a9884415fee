#include "platform/file_path.h"

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
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder + name;
    return folder + "\\" + name;
}
