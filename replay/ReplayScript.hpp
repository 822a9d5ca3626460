// ReplayScript: the input of a replay run, read from a text file, one event a line:
//   <frame> key <code>      a key-down before that frame's input step (code: decimal, or
//                           Escape F12 PageUp PageDown 1..8 B C H K R S)
//   <frame> mouse <dx> <dy> motion returned by that frame's mouse read (lines add up)
//   <frame> dt <ms>         milliseconds between the previous frame and this one
// '#' starts a comment. A line that cannot be read is an error naming the file and line.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct ReplayScript {
    struct Motion {
        std::int64_t dx = 0;
        std::int64_t dy = 0;
    };

    // Reads `path`; on failure returns false with `error` as "FILE:LINE: what".
    bool load(const std::string& path, std::string& error);
    // Reads script text; `name` only names it in errors.
    bool parse(const std::string& text, const std::string& name, std::string& error);

    std::map<std::int64_t, std::vector<std::uintptr_t>> keys; // in file order per frame
    std::map<std::int64_t, Motion> motion;
    std::map<std::int64_t, std::uint32_t> dtMs;
};
