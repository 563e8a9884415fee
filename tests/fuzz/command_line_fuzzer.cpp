#include "tests/fuzz/utf8_decoder.h"
#include "unattended/command_line.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Require(bool holds)
{
    if (!holds)
        std::abort();
}

// The arguments of a command line, separated by NUL bytes, which no Windows
// argument holds.
std::vector<std::string> Arguments(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args;
    if (size == 0)
        return args;
    std::string arg;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(arg);
            arg.clear();
        } else {
            arg += static_cast<char>(data[i]);
        }
    }
    args.push_back(arg);
    return args;
}

bool AllUtf8(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (!IsUtf8(arg))
            return false;
    return true;
}

// An error line: one line, no control character, short whatever it quotes,
// and UTF-8 when the arguments were (the program reads them as UTF-8).
void CheckErrorLine(const std::string& error, const std::vector<std::string>& args)
{
    Require(!error.empty() && error.size() < 400);
    for (char c : error)
        Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    Require(!AllUtf8(args) || IsUtf8(error));
}

} // namespace

// Any argument vector gives a mode of its own arguments or a usage error.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> args = Arguments(data, size);
    const Command command = ParseCommandLine(args);
    switch (command.mode) {
    case CommandMode::Window:
        Require(args.empty());
        break;
    case CommandMode::Help:
        Require(args.size() == 1);
        break;
    case CommandMode::Report:
    case CommandMode::Record:
        Require(args.size() == 2 && !command.path.empty() && command.path == args[1]);
        break;
    case CommandMode::UsageError:
        CheckErrorLine(command.error, args);
        return 0;
    default:
        std::abort();
    }
    Require(command.error.empty());
    return 0;
}
