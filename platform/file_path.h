#pragma once

#include <string>

// The folder that holds the file `path`, as a file made beside it needs it:
// "." for a bare name, "C:." for "C:name", the root for a file in it.
std::string FolderOfFile(const std::string& path);

// `name` inside `folder`, with one backslash between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// `path` without the separators it ends in, except the one of a root (as in
// "C:\" or "\"): the name a folder given as "C:\reports\" is made under.
std::string WithoutTrailingSeparators(const std::string& path);
