// Widening a whole RGB565 frame into a 32-bit window surface, as the present does on X with
// the software renderer: the byte-lane form (green in the middle byte, the window formats in
// use) and the general form (any other layout). Compare with BaselineMemcpy of the same run.
#include "platform/sdl/SurfaceWidening.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int frameWidth = 1024;
constexpr int frameHeight = 768;

void widenWhole(benchmark::State& state, std::uint32_t formatName)
{
    const std::unique_ptr<SDL_PixelFormat, void (*)(SDL_PixelFormat*)> format(SDL_AllocFormat(formatName),
                                                                                SDL_FreeFormat);
    if (format == nullptr) {
        state.SkipWithError("SDL could not describe the pixel format");
        return;
    }
    std::vector<std::uint16_t> frame(static_cast<std::size_t>(frameWidth) * frameHeight);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint16_t>(i * 2654435761u >> 9);
    std::vector<std::uint32_t> surface(frame.size());
    for (auto _ : state) {
        widenRows(frame.data(), frameWidth, frameWidth, frameHeight, reinterpret_cast<unsigned char*>(surface.data()),
                  frameWidth * 4, *format);
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    }
    state.counters["per_pixel"] = benchmark::Counter(static_cast<double>(frame.size()) * state.iterations(),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void WidenFrame(benchmark::State& state)
{
    widenWhole(state, SDL_PIXELFORMAT_RGB888);
}
BENCHMARK(WidenFrame)->Unit(benchmark::kMicrosecond);

void WidenFrameGeneral(benchmark::State& state)
{
    widenWhole(state, SDL_PIXELFORMAT_RGBA8888);
}
BENCHMARK(WidenFrameGeneral)->Unit(benchmark::kMicrosecond);

} // namespace
