#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    std::vector<std::string> args;
    CommandMode mode;
    std::string path;  // for Report
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
        {{"/record", "x"}, CommandMode::UsageError, "", "unknown option \"/record\""},
        {{"report.csv"}, CommandMode::UsageError, "", "unknown option"},
        {{"/x\r\ny"}, CommandMode::UsageError, "", "\"/x??y\""},
        {{std::string(5000, 'a')}, CommandMode::UsageError, "", std::string(100, 'a') + "...\""},
    };
    for (const Case& c : cases) {
        const std::string shown = c.args.empty() ? "(none)" : c.args[0];
        const Command command = ParseCommandLine(c.args);
        EXPECT_EQ(c.mode, command.mode) << shown;
        EXPECT_EQ(c.path, command.reportPath) << shown;
        if (c.mode == CommandMode::UsageError) {
            EXPECT_NE(std::string::npos, command.error.find(c.error)) << command.error;
            EXPECT_LT(command.error.size(), 200u) << shown;
        } else {
            EXPECT_EQ("", command.error) << shown;
        }
    }
}

} // namespace
