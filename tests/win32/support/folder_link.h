#pragma once

#include <string>
#include <vector>

// A link to a folder for a test: what it is, where it stands, where it leads.
struct FolderLink {
    std::string what;
    std::string path;
    std::string target;
};

// Makes a junction at `link`, a new folder, to the folder `target`, as
// Windows makes them. False, and nothing left at `link`, where the system
// cannot (Wine 8 answers ERROR_NOT_SUPPORTED).
bool MakeJunction(const std::string& link, const std::string& target);

// The links to a folder this system has for a test: a junction made in
// `scratch`, an existing folder; and the test host's symbolic link to a
// folder, which Wine shows as a reparse point but cannot make itself (made by
// the CTest fixture host_folder_link). Prints one line for each kind missing.
std::vector<FolderLink> FolderLinks(const std::string& scratch);

// Removes `folder` with what it holds, following no link: a link is removed
// itself.
void RemoveFolderTree(const std::string& folder);

// Whether `folder` holds nothing.
bool IsEmptyFolder(const std::string& folder);
