#pragma once

#include <functional>
#include <string>

// Why the file `path` (UTF-8) may not be replaced: it is a link (a junction
// or a symbolic link), a folder, or read-only. Empty when it may be, or when
// nothing stands there.
std::string RefusalToReplace(const std::string& path);

// Makes `text` the whole content of the file `path` (UTF-8) in one step, so
// that a reader never finds half of it and a failure keeps what was there.
// A new file in the same folder, under an unpredictable name and created so
// that nothing already standing at that name (a file, a link) is opened or
// followed, is written and flushed through the handle that created it and
// then moved over `path`: the new file has the permissions its folder gives,
// not those of the file it replaces. On failure it is removed; a killed run
// leaves at most it. Returns one line saying what failed, or an empty text.
std::string ReplaceFileContents(const std::string& path, const std::string& text);

// The same, with the temporary file's names taken from `nextName`.
std::string ReplaceFileContents(const std::string& path, const std::string& text,
                                const std::function<std::string()>& nextName);
