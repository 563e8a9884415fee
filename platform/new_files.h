#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Making folders and files where someone else may have put a link first: a
// folder the program runs in may be one a standard user made, or holds
// names such a user can take. Paths are UTF-8.

// A folder held open without FILE_SHARE_DELETE, so that nobody can move or
// delete it, nor put a link at its name, while files are made in it.
class HeldFolder {
public:
    HeldFolder() = default;
    ~HeldFolder();
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    bool IsHeld() const { return handle != INVALID_HANDLE_VALUE; }

    // Takes `folder`, a handle from the functions below, and lets go of any
    // folder held before.
    void Hold(HANDLE folder);

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
};

// Holds the folder at `path`. Returns why it is not held: it cannot be
// opened, it is not a folder, or it is a link (a junction or a symbolic
// link), which would lead what is made in it elsewhere; empty when held.
std::string HoldFolder(const std::string& path, HeldFolder& held);

// Makes the folder `path` where nothing stood, and holds it. The folder is
// made under an unpredictable name beside it and renamed to `path`, and a
// rename never follows what stands at its new name: it fails. False when
// something stood at `path` or the folder could not be made.
bool MakeNewFolder(const std::string& path, HeldFolder& held);

// Creates a file that did not exist at `path`, for writing; a link planted
// at the name is not followed. INVALID_HANDLE_VALUE on failure.
HANDLE CreateNewFile(const std::string& path);

// Writes `size` bytes from `data` into a new file at `path`, created as
// CreateNewFile creates it. False when something stood there or a write
// failed.
bool WriteNewFile(const std::string& path, const void* data, std::size_t size);

// A file name nobody can guess ahead, so nobody can plant anything there:
// "vestrel-", 32 hexadecimal digits, ".tmp". Empty when the system has no
// random bytes to give.
std::string UnpredictableName();
