// FrameInput: what drives the sparkler for one frame, whoever gives it (a person's mouse and
// keys, a script, the autopilot, the writer): the relative motion, the key-downs in order, and
// the writer's pen (down, up, and done once the words are written). The loop hands the keys
// to the window as a person's, the motion to the mouse read, and the pen to the light.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

enum class Pen : std::uint8_t { Down, Up, Done };

struct FrameInput {
    std::int32_t dx = 0; // to the right
    std::int32_t dy = 0; // downwards, as a mouse counts
    std::vector<std::uintptr_t> keys;
    std::vector<Pen> pen;
};

// The pen's words in a script: "down", "up", "done".
constexpr std::string_view penName(Pen pen)
{
    return pen == Pen::Down ? "down" : pen == Pen::Up ? "up" : "done";
}

constexpr bool readPen(std::string_view word, Pen& pen)
{
    for (Pen p : {Pen::Down, Pen::Up, Pen::Done}) {
        if (word == penName(p)) {
            pen = p;
            return true;
        }
    }
    return false;
}
