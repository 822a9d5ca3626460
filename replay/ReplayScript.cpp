// ReplayScript: the line reader of replay scripts; see the header.
#include "replay/ReplayScript.hpp"

#include "platform/VirtualKeys.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// A whole token as a decimal integer within [low, high].
bool readInteger(const std::string& token, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    if (token.empty() || token.size() > 20)
        return false;
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(token.c_str(), &end, 10);
    if (errno != 0 || end == token.c_str() || *end != '\0' || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool readKey(const std::string& token, std::uintptr_t& code)
{
    struct Named {
        const char* name;
        std::uintptr_t code;
    };
    static const Named names[] = {{"Escape", VK_ESCAPE},
                                  {"F12", VK_F12},
                                  {"PageUp", VK_PRIOR},
                                  {"PageDown", VK_NEXT},
                                  {"B", 'B'},
                                  {"C", 'C'},
                                  {"H", 'H'},
                                  {"K", 'K'},
                                  {"R", 'R'},
                                  {"S", 'S'}};
    for (const Named& n : names) {
        if (token == n.name) {
            code = n.code;
            return true;
        }
    }
    // A single digit 1..8 is the key of the main keyboard's digit row.
    if (token.size() == 1 && token[0] >= '1' && token[0] <= '8') {
        code = static_cast<std::uintptr_t>(token[0]);
        return true;
    }
    std::int64_t value = 0;
    if (!readInteger(token, 1, 255, value))
        return false;
    code = static_cast<std::uintptr_t>(value);
    return true;
}

} // namespace

bool ReplayScript::load(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str(), path, error);
}

bool ReplayScript::parse(const std::string& text, const std::string& name, std::string& error)
{
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string token; fields >> token;)
            tokens.push_back(token);
        if (tokens.empty())
            continue;

        auto fail = [&](const std::string& what) {
            error = name + ":" + std::to_string(lineNumber) + ": " + what;
            return false;
        };
        std::int64_t frame = 0;
        if (!readInteger(tokens[0], 0, INT64_MAX / 2, frame))
            return fail("expected a frame number, found \"" + tokens[0] + "\"");
        if (tokens.size() < 2)
            return fail("expected key, mouse or dt after the frame number");
        const std::string& kind = tokens[1];
        if (kind == "key") {
            std::uintptr_t code = 0;
            if (tokens.size() != 3 || !readKey(tokens[2], code))
                return fail("expected one key: a code 1..255 or Escape F12 PageUp PageDown 1..8 B C H K R S");
            keys[frame].push_back(code);
        } else if (kind == "mouse") {
            std::int64_t dx = 0;
            std::int64_t dy = 0;
            if (tokens.size() != 4 || !readInteger(tokens[2], INT32_MIN, INT32_MAX, dx)
                || !readInteger(tokens[3], INT32_MIN, INT32_MAX, dy))
                return fail("expected two whole numbers of mouse motion");
            Motion& m = motion[frame];
            m.dx += dx;
            m.dy += dy;
            if (m.dx < INT32_MIN || m.dx > INT32_MAX || m.dy < INT32_MIN || m.dy > INT32_MAX)
                return fail("the motion of this frame adds up past a 32-bit mouse count");
        } else if (kind == "dt") {
            std::int64_t ms = 0;
            if (tokens.size() != 3 || !readInteger(tokens[2], 0, UINT32_MAX, ms))
                return fail("expected milliseconds from 0 to 4294967295");
            dtMs[frame] = static_cast<std::uint32_t>(ms);
        } else {
            return fail("unknown event \"" + kind + "\"; expected key, mouse or dt");
        }
    }
    return true;
}
