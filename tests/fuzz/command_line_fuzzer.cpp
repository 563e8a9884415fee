#include "tests/fuzz/utf8_decoder.h"
#include "unattended/command_line.h"

#include <algorithm>
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

} // namespace

// Any argument vector gives a mode of its own arguments or a usage error.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The arguments apart at NUL bytes, which no Windows argument holds.
    std::vector<std::string> args(size > 0 ? 1 : 0);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
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
    case CommandMode::UsageError: {
        // One line, no control character, short whatever it quotes, and UTF-8
        // when the arguments were (the program reads them as UTF-8).
        const std::string& error = command.error;
        Require(!error.empty() && error.size() < 400);
        for (char c : error)
            Require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        Require(IsUtf8(error) || !std::all_of(args.begin(), args.end(), IsUtf8));
        return 0;
    }
    default:
        std::abort();
    }
    Require(command.error.empty());
    return 0;
}
