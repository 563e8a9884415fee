#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, NoArgumentsOpenTheWindowRecordTakesOneFolderAnythingElseIsAUsageError)
{
    struct Case {
        const char* arguments;
        ProgramMode mode;
        const char* directory;
    };
    const Case cases[] = {
        {nullptr, ProgramMode::Window, ""},
        {"", ProgramMode::Window, ""},
        {"  \t ", ProgramMode::Window, ""},
        {"/record C:\\drives", ProgramMode::Record, "C:\\drives"},
        {"  /RECORD   out\\ ", ProgramMode::Record, "out\\"},
        {"/Record \"C:\\My Drives\\now\"", ProgramMode::Record, "C:\\My Drives\\now"},
        {"/record C:\\\"a b\"", ProgramMode::Record, "C:\\a b"},
        {"/record", ProgramMode::UsageError, ""},
        {"/record \"\"", ProgramMode::UsageError, ""},
        {"/record a b", ProgramMode::UsageError, ""},
        {"/recorder a", ProgramMode::UsageError, ""},
        {"record a", ProgramMode::UsageError, ""},
        {"C:\\some\\file.txt", ProgramMode::UsageError, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments ? c.arguments : "(null)");
        const ProgramCommand command = ParseCommandLine(c.arguments);
        EXPECT_EQ(c.mode, command.mode);
        EXPECT_EQ(c.directory, command.directory);
    }
}

} // namespace
