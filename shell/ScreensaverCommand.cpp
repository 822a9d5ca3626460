// The screensaver's command line; see the header. Windows passes window handles in decimal.
#include "shell/ScreensaverCommand.hpp"

#include <cctype>
#include <string_view>

namespace {

// A window handle as Windows writes it: decimal digits, not 0, within 64 bits.
bool parseHandle(std::string_view text, std::uint64_t& handle)
{
    if (text.empty() || text.size() > 19)
        return false;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    handle = value;
    return value != 0;
}

bool endsWithScr(std::string_view program)
{
    if (program.size() < 4)
        return false;
    std::string tail(program.substr(program.size() - 4));
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".scr";
}

} // namespace

SaverCommand readSaverCommand(int argc, const char* const* argv)
{
    SaverCommand command;
    if (argc < 2) {
        if (argc == 1 && argv[0] != nullptr && endsWithScr(argv[0]))
            command.mode = SaverMode::Settings;
        return command;
    }
    const std::string_view first = argv[1];
    // "/s", "-S", "/p:1234": a slash or dash, one letter, and perhaps ':' and a handle.
    if (first.size() < 2 || (first[0] != '/' && first[0] != '-') || (first.size() > 2 && first[2] != ':'))
        return command;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(first[1])));
    std::string_view handleText;
    if (first.size() > 2)
        handleText = first.substr(3);
    else if (argc > 2)
        handleText = argv[2];
    switch (letter) {
    case 's':
        command.mode = SaverMode::Show;
        return command;
    case 'c':
        command.mode = SaverMode::Settings;
        if (!parseHandle(handleText, command.window))
            command.window = 0; // the settings then have no owner window
        return command;
    case 'p':
        command.mode = SaverMode::Preview;
        if (!parseHandle(handleText, command.window))
            command.error = std::string(first.substr(0, 2)) + " needs the preview window's handle, a decimal number ("
                + std::string(first.substr(0, 2)) + " 1234)";
        return command;
    default:
        return command; // not a screensaver's switch: the program's own options read it
    }
}
