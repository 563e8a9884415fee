#include "platform/library_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct JoinCase {
    const char* directory;
    const char* name;
    std::size_t capacity;
    const char* expected; // null: refused
};

TEST(LibraryPath, JoinsFolderAndNameOrRefusesAnythingButAFullName)
{
    const JoinCase cases[] = {
        {"C:\\WINDOWS\\system32", "Riched20.dll", 64, "C:\\WINDOWS\\system32\\Riched20.dll"},
        {"C:\\", "Riched20.dll", 64, "C:\\Riched20.dll"},
        {"C:\\dir", "a.dll", 13, "C:\\dir\\a.dll"}, // fits exactly, terminator included
        {"C:\\dir", "a.dll", 12, nullptr},          // one byte short: never a cut name
        {"", "Riched20.dll", 64, nullptr},          // unknown folder: never a bare name
        {"C:\\dir", "", 64, nullptr},
    };
    constexpr std::size_t kCanary = 4;
    for (const JoinCase& c : cases) {
        SCOPED_TRACE(std::string(c.directory) + " + " + c.name);
        std::string buffer(c.capacity + kCanary, '#');
        const bool joined = JoinLibraryPath(&buffer[0], c.capacity, c.directory, c.name);
        EXPECT_EQ(c.expected != nullptr, joined);
        EXPECT_STREQ(c.expected ? c.expected : "", buffer.c_str());
        EXPECT_EQ(std::string(kCanary, '#'), buffer.substr(c.capacity));
    }
}

} // namespace
