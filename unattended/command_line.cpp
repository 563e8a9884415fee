#include "unattended/command_line.h"

#include <cctype>
#include <cstddef>

namespace {

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// Where the program's name ends: a path, so quotes only group.
std::size_t ProgramNameEnd(const std::wstring& line)
{
    bool quoted = false;
    std::size_t i = 0;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i)
        if (line[i] == L'"')
            quoted = !quoted;
    return i;
}

// Reads the backslashes from `i` and what they come before into `arg`.
void ReadBackslashesAndQuote(const std::wstring& line, std::size_t& i, bool& quoted,
                             std::wstring& arg)
{
    std::size_t backslashes = 0;
    for (; i < line.size() && line[i] == L'\\'; ++i)
        ++backslashes;
    if (i == line.size() || line[i] != L'"') {
        arg.append(backslashes, L'\\');
        return;
    }
    arg.append(backslashes / 2, L'\\');
    if (backslashes % 2 == 1 || (quoted && i + 1 < line.size() && line[i + 1] == L'"')) {
        arg += L'"';
        i += backslashes % 2 == 1 ? 1 : 2;
        return;
    }
    quoted = !quoted;
    ++i;
}

// Reads the argument that starts at `i`, leaving `i` after it.
std::wstring ReadArgument(const std::wstring& line, std::size_t& i)
{
    std::wstring arg;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
        if (line[i] == L'\\' || line[i] == L'"')
            ReadBackslashesAndQuote(line, i, quoted, arg);
        else
            arg += line[i++];
    }
    return arg;
}

std::string Lowered(const std::string& text)
{
    std::string lowered = text;
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered;
}

bool IsFlag(const std::string& lowered, const char* name)
{
    return lowered == std::string("/") + name || lowered == std::string("-") + name;
}

bool IsHelpFlag(const std::string& flag)
{
    return flag == "/?" || flag == "-?" || flag == "-h" || flag == "--help";
}

// An argument as an error line shows it: quoted, control characters as '?',
// and no longer than a line should be.
std::string Quoted(const std::string& arg)
{
    constexpr std::size_t kMaxShown = 100;
    std::size_t cut = arg.size() > kMaxShown ? kMaxShown : arg.size();
    while (cut > 0 && cut < arg.size() && (static_cast<unsigned char>(arg[cut]) & 0xC0) == 0x80)
        --cut; // inside a UTF-8 character
    std::string shown = arg.substr(0, cut);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return "\"" + shown + (cut < arg.size() ? "...\"" : "\"");
}

// One of the program's options, or an argument that starts with one "/" as
// options do ("//server/share" is a path). Taken as a path, "/record" would
// be a file at the root of the current drive.
bool IsOptionLike(const std::string& arg)
{
    const std::string lowered = Lowered(arg);
    if (IsHelpFlag(lowered) || IsFlag(lowered, "report") || IsFlag(lowered, "record"))
        return true;
    return arg.size() > 1 && arg[0] == '/' && arg[1] != '/';
}

Command UsageError(const std::string& error)
{
    Command command;
    command.mode = CommandMode::UsageError;
    command.error = error;
    return command;
}

} // namespace

const char kUsageText[] =
    "Usage: Vestrel.exe [/report FILE | /report - | /record DIR | /?]\r\n"
    "  (no argument)   show the drive list in a window\r\n"
    "  /report FILE    write the drive report without a window: FILE.json gives JSON,\r\n"
    "                  any other name CSV; - writes it to redirected standard output\r\n"
    "  /record DIR     write the drives' identify replies into DIR, a new or empty folder\r\n"
    "  /?, -h, --help  show this text\r\n"
    "Exit codes: 0 no drive needs a firmware update, 1 at least one does,\r\n"
    "            2 usage error, the report could not be written, or nothing was recorded,\r\n"
    "            3 none of the drives read needs one, but a drive could not be read\r\n";

const char kUsageLine[] = "usage: Vestrel.exe [/report FILE | /report - | /record DIR | /?]";

Command ParseCommandLine(const std::vector<std::string>& args)
{
    if (args.empty())
        return Command();
    const std::string flag = Lowered(args[0]);
    if (IsHelpFlag(flag)) {
        if (args.size() > 1)
            return UsageError("unexpected argument " + Quoted(args[1]));
        Command command;
        command.mode = CommandMode::Help;
        return command;
    }
    Command command;
    if (IsFlag(flag, "report"))
        command.mode = CommandMode::Report;
    else if (IsFlag(flag, "record"))
        command.mode = CommandMode::Record;
    else
        return UsageError("unknown option " + Quoted(args[0]));
    const std::string needs =
        Quoted(args[0]) + (command.mode == CommandMode::Report
                               ? " needs a file name, or - for standard output"
                               : " needs a folder");
    if (args.size() < 2 || args[1].empty())
        return UsageError(needs);
    if (IsOptionLike(args[1]))
        return UsageError(needs + ", not the option " + Quoted(args[1]));
    if (args.size() > 2)
        return UsageError("unexpected argument " + Quoted(args[2]));
    command.path = args[1];
    return command;
}

std::vector<std::wstring> CommandLineArguments(const std::wstring& commandLine)
{
    std::vector<std::wstring> args;
    std::size_t i = ProgramNameEnd(commandLine);
    for (;;) {
        while (i < commandLine.size() && IsBlank(commandLine[i]))
            ++i;
        if (i == commandLine.size())
            return args;
        args.push_back(ReadArgument(commandLine, i));
    }
}
