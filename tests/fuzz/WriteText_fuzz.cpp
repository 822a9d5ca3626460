// Fuzz target: the words of --write and the stroke font reader. An input starting with 'F' is
// read as font text, which must be read or refused with a message, never crash; any other
// input is text to write with the built-in font: laid out inside the scene or refused, and the
// pen's path from it stays on the screen.
#include "session/StrokeFont.hpp"
#include "session/TextWriter.hpp"
#include "sim/ScreenSize.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string error;
    if (!input.empty() && input[0] == 'F') {
        StrokeFont font;
        if (!font.read(input.substr(1), error) && error.empty())
            __builtin_trap();
        return 0;
    }
    static const StrokeFont font = [] {
        StrokeFont f;
        std::string e;
        if (!f.read(StrokeFont::embeddedText(), e))
            __builtin_trap();
        return f;
    }();
    TextWriter writer;
    std::string skipped;
    if (!writer.layOut(font, input, skipped, error)) {
        if (error.empty())
            __builtin_trap();
        return 0;
    }
    for (const auto& stroke : writer.strokes) {
        for (const auto& p : stroke) {
            if (!(p.x >= 0.0 && p.x <= screenWidth && p.y >= 0.0 && p.y <= screenHeight))
                __builtin_trap();
        }
    }
    std::int64_t x = writer.x();
    std::int64_t y = writer.y();
    for (int frame = 0; frame < 3000 && !writer.done(); ++frame) {
        FrameInput step;
        writer.nextFrame(frame % 5 == 0 ? 250 : 16, step);
        x += step.dx;
        y -= step.dy;
        if (x < 0 || x >= screenWidth || y < 0 || y > screenHeight)
            __builtin_trap();
    }
    return 0;
}
