#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    std::vector<std::string> args;
    CommandMode mode;
    std::string path;  // for Report and Record
    std::string error; // a part of the error line, for UsageError
};

TEST(CommandLine, FlagsInAnyCaseAndEveryWrongCommandLine)
{
    const Case cases[] = {
        {{}, CommandMode::Window, "", ""},
        {{"/report", "C:\\out\\a.csv"}, CommandMode::Report, "C:\\out\\a.csv", ""},
        {{"-REPORT", "-"}, CommandMode::Report, "-", ""},
        {{"/Report", "a b.json"}, CommandMode::Report, "a b.json", ""},
        {{"/?"}, CommandMode::Help, "", ""},
        {{"-h"}, CommandMode::Help, "", ""},
        {{"--HELP"}, CommandMode::Help, "", ""},
        {{"/report"}, CommandMode::UsageError, "", "\"/report\" needs a file name"},
        {{"/report", ""}, CommandMode::UsageError, "", "needs a file name"},
        {{"/report", "a.csv", "b.csv"}, CommandMode::UsageError, "", "\"b.csv\""},
        {{"/?", "x"}, CommandMode::UsageError, "", "unexpected argument \"x\""},
        {{"/record", "C:\\drives"}, CommandMode::Record, "C:\\drives", ""},
        {{"-RECORD", "C:\\My Drives\\now"}, CommandMode::Record, "C:\\My Drives\\now", ""},
        {{"/record"}, CommandMode::UsageError, "", "\"/record\" needs a folder"},
        {{"/record", "a", "b"}, CommandMode::UsageError, "", "unexpected argument \"b\""},
        {{"/recorder", "a"}, CommandMode::UsageError, "", "unknown option \"/recorder\""},
        // A file dropped on the program arrives as its only argument.
        {{"C:\\some\\file.txt"}, CommandMode::UsageError, "", "unknown option"},
        {{"report.csv"}, CommandMode::UsageError, "", "unknown option"},
        {{"/x\r\ny"}, CommandMode::UsageError, "", "\"/x??y\""},
        {{std::string(5000, 'a')}, CommandMode::UsageError, "", std::string(100, 'a') + "...\""},
        // An option where a path belongs is no path.
        {{"/report", "/record"}, CommandMode::UsageError, "", "not the option \"/record\""},
        {{"/record", "-Report"}, CommandMode::UsageError, "", "not the option \"-Report\""},
        {{"/report", "/?"}, CommandMode::UsageError, "", "not the option \"/?\""},
        {{"/record", "/tmp"}, CommandMode::UsageError, "", "not the option \"/tmp\""},
        {{"/report", "//srv/share/a.csv"}, CommandMode::Report, "//srv/share/a.csv", ""},
        {{"/record", "-drives"}, CommandMode::Record, "-drives", ""},
        // An error line cuts no UTF-8 character in two.
        {{std::string(99, 'a') + "\xe6\x97\xa5\xe6\x97\xa5"},
         CommandMode::UsageError,
         "",
         "\"" + std::string(99, 'a') + "...\""},
    };
    for (const Case& c : cases) {
        const std::string shown = c.args.empty() ? "(none)" : c.args[0];
        const Command command = ParseCommandLine(c.args);
        EXPECT_EQ(c.mode, command.mode) << shown;
        EXPECT_EQ(c.path, command.path) << shown;
        if (c.mode == CommandMode::UsageError) {
            EXPECT_NE(std::string::npos, command.error.find(c.error)) << command.error;
            EXPECT_LT(command.error.size(), 200u) << shown;
        } else {
            EXPECT_EQ("", command.error) << shown;
        }
    }
}

} // namespace
