// ReplayScript: the line reader of replay scripts; see the header.
#include "session/ReplayScript.hpp"

#include "platform/SystemCalls.hpp"
#include "platform/VirtualKeys.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <sstream>

bool readDecimal(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 19)
        return false;
    std::int64_t magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        if (magnitude > (INT64_MAX - (c - '0')) / 10)
            return false;
        magnitude = magnitude * 10 + (c - '0');
    }
    const std::int64_t parsed = negative ? -magnitude : magnitude;
    if (parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

std::string printable(std::string_view text, std::size_t limit)
{
    std::string out;
    std::size_t shown = 0;
    for (const char c : text) {
        if (shown == limit) {
            out += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
        ++shown;
    }
    return out;
}

namespace {

constexpr std::size_t kMaxTokenShown = 40;

struct NamedKey {
    const char* name;
    std::uintptr_t code;
};
const NamedKey namedKeys[] = {{"Escape", VK_ESCAPE},
                              {"F12", VK_F12},
                              {"PageUp", VK_PRIOR},
                              {"PageDown", VK_NEXT},
                              {"B", 'B'},
                              {"C", 'C'},
                              {"H", 'H'},
                              {"K", 'K'},
                              {"R", 'R'},
                              {"S", 'S'}};

bool readKey(const std::string& token, std::uintptr_t& code)
{
    for (const NamedKey& n : namedKeys) {
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
    if (!readDecimal(token, 1, 255, value))
        return false;
    code = static_cast<std::uintptr_t>(value);
    return true;
}

// A header field in a comment before the first event: "seed N" or "frames N". False with
// `what` set when the comment names a field but its value cannot be read.
bool readHeaderField(const std::string& comment, ReplayScript& script, std::string& what)
{
    std::istringstream fields(comment);
    std::vector<std::string> tokens;
    for (std::string token; fields >> token;)
        tokens.push_back(token);
    // A field is the word and its value alone: "# seed 7, 2400 frames: ..." is prose.
    if (tokens.empty() || tokens.size() > 2 || (tokens[0] != "seed" && tokens[0] != "frames"))
        return true; // any other comment
    std::int64_t value = 0;
    if (tokens[0] == "seed") {
        if (tokens.size() != 2 || !readDecimal(tokens[1], 0, UINT32_MAX, value)) {
            what = "expected the header's seed as a whole number from 0 to 4294967295";
            return false;
        }
        script.seed = static_cast<std::uint32_t>(value);
    } else {
        if (tokens.size() != 2 || !readDecimal(tokens[1], 0, 100000000, value)) {
            what = "expected the header's number of frames from 0 to 100000000";
            return false;
        }
        script.frames = value;
    }
    return true;
}

} // namespace

std::string ReplayScript::keyName(std::uintptr_t code)
{
    for (const NamedKey& n : namedKeys) {
        if (code == n.code)
            return n.name;
    }
    if (code >= '1' && code <= '8')
        return std::string(1, static_cast<char>(code));
    // A lone digit reads as that digit's key: codes below 10 get a leading zero.
    std::string name = code < 10 ? "0" : "";
    name += std::to_string(code);
    return name;
}

bool ReplayScript::load(const std::string& path, std::string& error)
{
    const std::string shownPath = printable(path, 200);
    // Only a regular file of a bounded size: a folder would read as empty, a device or a pipe
    // without end.
    const int fd = sys::openForReading(path);
    if (fd < 0) {
        error = shownPath + ": cannot be read (" + std::strerror(errno) + ")";
        return false;
    }
    const long long size = sys::regularFileSize(fd);
    std::string text;
    bool ok = true;
    if (size < 0) {
        error = shownPath + ": not a regular file";
        ok = false;
    } else if (static_cast<std::uint64_t>(size) > kMaxScriptBytes) {
        error = shownPath + ": larger than the 64 MiB a script may have";
        ok = false;
    } else {
        text.resize(static_cast<std::size_t>(size));
        std::size_t done = 0;
        while (ok && done < text.size()) {
            const long got = sys::readSome(fd, text.data() + done, text.size() - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                error
                    = shownPath + ": cannot be read" + (got < 0 ? std::string(" (") + std::strerror(errno) + ")" : "");
                ok = false;
            } else {
                done += static_cast<std::size_t>(got);
            }
        }
    }
    sys::closeFile(fd);
    return ok && parse(text, path, error);
}

bool ReplayScript::parse(const std::string& text, const std::string& name, std::string& error)
{
    // A UTF-8 byte-order mark, as some editors write, is not part of the first line.
    const std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::istringstream lines(text.substr(start));
    std::string line;
    int lineNumber = 0;
    const std::string shownName = printable(name, 200);
    bool inHeader = true; // the comments before the first event
    while (std::getline(lines, line)) {
        ++lineNumber;
        auto fail = [&](const std::string& what) {
            error = shownName + ":" + std::to_string(lineNumber) + ": " + what;
            return false;
        };
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            std::string what;
            if (inHeader && line.find_first_not_of(" \t") == hash
                && !readHeaderField(line.substr(hash + 1), *this, what))
                return fail(what);
            line.erase(hash);
        }
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string token; fields >> token;)
            tokens.push_back(token);
        if (tokens.empty())
            continue;
        inHeader = false;

        std::int64_t frame = 0;
        if (!readDecimal(tokens[0], 0, INT64_MAX / 2, frame))
            return fail("expected a frame number, found \"" + printable(tokens[0], kMaxTokenShown) + "\"");
        if (tokens.size() < 2)
            return fail("expected key, mouse, dt or pen after the frame number");
        const std::string& kind = tokens[1];
        if (kind == "key") {
            std::uintptr_t code = 0;
            if (tokens.size() != 3 || !readKey(tokens[2], code))
                return fail("expected one key: a code 1..255 or Escape F12 PageUp PageDown 1..8 B C H K R S");
            keys[frame].push_back(code);
        } else if (kind == "mouse") {
            std::int64_t dx = 0;
            std::int64_t dy = 0;
            if (tokens.size() != 4 || !readDecimal(tokens[2], INT32_MIN, INT32_MAX, dx)
                || !readDecimal(tokens[3], INT32_MIN, INT32_MAX, dy))
                return fail("expected two whole numbers of mouse motion");
            Motion& m = motion[frame];
            m.dx += dx;
            m.dy += dy;
            if (m.dx < INT32_MIN || m.dx > INT32_MAX || m.dy < INT32_MIN || m.dy > INT32_MAX)
                return fail("the motion of this frame adds up past a 32-bit mouse count");
        } else if (kind == "dt") {
            std::int64_t ms = 0;
            if (tokens.size() != 3 || !readDecimal(tokens[2], 0, UINT32_MAX, ms))
                return fail("expected milliseconds from 0 to 4294967295");
            dtMs[frame] = static_cast<std::uint32_t>(ms);
        } else if (kind == "pen") {
            Pen pen = Pen::Up;
            if (tokens.size() != 3 || !readPen(tokens[2], pen))
                return fail("expected the pen's down, up or done");
            pens[frame].push_back(pen);
        } else {
            return fail("unknown event \"" + printable(kind, kMaxTokenShown) + "\"; expected key, mouse, dt or pen");
        }
    }
    return true;
}
