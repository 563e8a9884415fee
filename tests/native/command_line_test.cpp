#include "unattended/command_line.h"

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

struct SplitCase {
    std::wstring line;
    std::vector<std::wstring> args;
};

TEST(CommandLine, SplitLikeTheRuntimeAfterTheProgramName)
{
    using Args = std::vector<std::wstring>;
    const SplitCase cases[] = {
        {L"", Args{}},
        {L"Vestrel.exe", Args{}},
        {L"\"C:\\Program Files\\Vestrel.exe\"", Args{}},
        {L"Vestrel.exe  \t ", Args{}},
        {L"Vestrel.exe /report a.csv", Args{L"/report", L"a.csv"}},
        {L"Vestrel.exe\t/report\t\ta.csv ", Args{L"/report", L"a.csv"}},
        // The program's name: quotes group parts of it, backslashes are plain.
        {L"\"C:\\My Tools\\Vestrel.exe\" /report \"C:\\my dir\\a.csv\"",
         Args{L"/report", L"C:\\my dir\\a.csv"}},
        {L"C:\\\"My Tools\"\\Vestrel.exe -h", Args{L"-h"}},
        {L"\"C:\\dir\\\" /?", Args{L"/?"}},
        // Backslashes are plain unless a quote follows them.
        {L"v C:\\a\\\\b\\", Args{L"C:\\a\\\\b\\"}},
        {L"v \"C:\\dir\\\\\" next", Args{L"C:\\dir\\", L"next"}},
        {L"v a\\\"b", Args{L"a\"b"}},
        {L"v a\\\\\\\"b", Args{L"a\\\"b"}},
        {L"v a\\\\\"b c\"", Args{L"a\\b c"}},
        {L"v \"a\\\" b\"", Args{L"a\" b"}},
        // Quotes group, anywhere in an argument; a doubled one inside is one.
        {L"v a\"b c\"d e", Args{L"a"
                                L"b cd",
                                L"e"}},
        {L"v \"\" x", Args{L"", L"x"}},
        {L"v \"a\"\"b\" c", Args{L"a\"b", L"c"}},
        {L"v \"a\"\"\"", Args{L"a\""}},
        {L"v a\"\"b", Args{L"ab"}},
        {L"v \"open ended", Args{L"open ended"}},
        {L"v \u65e5\u672c \"\u00e9 \u00e8\"", Args{L"\u65e5\u672c", L"\u00e9 \u00e8"}},
    };
    for (const SplitCase& c : cases) {
        const Args args = CommandLineArguments(c.line);
        EXPECT_EQ(c.args, args) << std::string(c.line.begin(), c.line.end());
    }
}

} // namespace
