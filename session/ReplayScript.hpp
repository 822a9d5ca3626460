// ReplayScript: the input of a replay run, read from a text file, one event a line:
//   <frame> key <code>      a key-down before that frame's input step (code: decimal, or
//                           Escape F12 PageUp PageDown 1..8 B C H K R S)
//   <frame> mouse <dx> <dy> motion returned by that frame's mouse read (lines add up)
//   <frame> dt <ms>         milliseconds between the previous frame and this one
//   <frame> pen down|up|done  a writer's pen before that frame: the light of written words
// '#' starts a comment; a UTF-8 byte-order mark is skipped. Comment lines before the first
// event may carry the run's header:
//   # seed <n>              the seed the run drew (a recorded session's calendar time)
//   # frames <n>            the number of frames the run showed
// A line that cannot be read is an error naming the file and line, with control bytes escaped
// and long tokens cut.
#pragma once

#include "session/FrameInput.hpp"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The largest script file read.
constexpr std::uint64_t kMaxScriptBytes = std::uint64_t{64} << 20;

// A whole decimal number (digits, an optional leading '-', nothing else) within [low, high].
bool readDecimal(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value);
// `text` for an error line: control bytes as \xNN, cut after `limit` characters with "...".
std::string printable(std::string_view text, std::size_t limit);

struct ReplayScript {
    struct Motion {
        std::int64_t dx = 0;
        std::int64_t dy = 0;
    };

    // Reads `path`, a regular file of at most kMaxScriptBytes; on failure returns false with
    // `error` as "FILE:LINE: what" or "FILE: what".
    bool load(const std::string& path, std::string& error);
    // Reads script text; `name` only names it in errors.
    bool parse(const std::string& text, const std::string& name, std::string& error);

    // The token a script names a key by: Escape F12 PageUp PageDown 1..8 B C H K R S, or the
    // decimal code.
    static std::string keyName(std::uintptr_t code);

    std::optional<std::uint32_t> seed; // from the header, when it gives one
    std::optional<std::int64_t> frames;
    std::map<std::int64_t, std::vector<std::uintptr_t>> keys; // in file order per frame
    std::map<std::int64_t, Motion> motion;
    std::map<std::int64_t, std::uint32_t> dtMs;
    std::map<std::int64_t, std::vector<Pen>> pens; // in file order per frame
};
