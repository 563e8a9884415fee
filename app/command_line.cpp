#include "app/command_line.h"

#include <cctype>
#include <vector>

const char kUsageLine[] = "Usage: Vestrel [/record DIR] (DIR: a new or empty folder)";

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string> SplitArguments(const char* text)
{
    std::vector<std::string> arguments;
    if (!text)
        return arguments;
    const char* at = text;
    while (true) {
        while (IsBlank(*at))
            ++at;
        if (*at == '\0')
            return arguments;
        std::string argument;
        bool quoted = false;
        for (; *at != '\0' && (quoted || !IsBlank(*at)); ++at) {
            if (*at == '"')
                quoted = !quoted;
            else
                argument += *at;
        }
        arguments.push_back(argument);
    }
}

bool IsOption(const std::string& argument, const char* option)
{
    std::size_t i = 0;
    for (; option[i] != '\0'; ++i)
        if (i >= argument.size() ||
            std::tolower(static_cast<unsigned char>(argument[i])) != option[i])
            return false;
    return i == argument.size();
}

} // namespace

ProgramCommand ParseCommandLine(const char* arguments)
{
    const std::vector<std::string> words = SplitArguments(arguments);
    ProgramCommand command;
    if (words.empty())
        return command;
    if (words.size() == 2 && IsOption(words[0], "/record") && !words[1].empty()) {
        command.mode = ProgramMode::Record;
        command.directory = words[1];
        return command;
    }
    command.mode = ProgramMode::UsageError;
    return command;
}
