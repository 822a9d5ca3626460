// The per-frame walks of both emitters at steady state, beside a baseline of plain memory
// work on one 1024 x 768 x 2-byte buffer (a memset and a memcpy), in the same run.
#include "WalkCounters.hpp"
#include "support/Scene.hpp"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kFrameBytes = 1024 * 768 * 2;

void BaselineMemset(benchmark::State& state)
{
    std::vector<unsigned char> buffer(kFrameBytes);
    for (auto _ : state) {
        std::memset(buffer.data(), static_cast<int>(state.iterations() & 0x7F), buffer.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BaselineMemset);

void BaselineMemcpy(benchmark::State& state)
{
    std::vector<unsigned char> from(kFrameBytes, 1);
    std::vector<unsigned char> to(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BaselineMemcpy);

SteadyScene& scene()
{
    static SteadyScene steady(1, 600, 0.016);
    return steady;
}

// The update walks change the scene, so each run starts from the same saved generator state;
// the pools themselves settle into a steady state that repeated steps keep.
void SparklerUpdate(benchmark::State& state)
{
    SteadyScene& s = scene();
    for (auto _ : state)
        s.sparkler->update(&s.screen.device, 0.016);
    state.counters["alive"] = s.sparkler->aliveCount;
    state.counters["per_slot"] = perItem(s.sparkler->capacity);
}
BENCHMARK(SparklerUpdate);

void SmokeUpdate(benchmark::State& state)
{
    SteadyScene& s = scene();
    for (auto _ : state)
        s.smoke->update(&s.screen.device, 0.016);
    state.counters["alive"] = s.smoke->aliveCount;
    state.counters["per_slot"] = perItem(s.smoke->capacity);
}
BENCHMARK(SmokeUpdate);

void SparklerRender(benchmark::State& state)
{
    SteadyScene& s = scene();
    for (auto _ : state)
        s.sparkler->render(&s.screen.device);
    WalkCount count;
    addWalkCount(*s.sparkler, count);
    state.counters["alive"] = s.sparkler->aliveCount;
    state.counters["sprites"] = static_cast<double>(count.sprites);
    state.counters["per_sprite"] = perItem(count.sprites);
}
BENCHMARK(SparklerRender);

void SmokeRender(benchmark::State& state)
{
    SteadyScene& s = scene();
    for (auto _ : state)
        s.smoke->render(&s.screen.device);
    WalkCount count;
    addWalkCount(*s.smoke, count);
    state.counters["alive"] = s.smoke->aliveCount;
    state.counters["sprites"] = static_cast<double>(count.sprites);
    state.counters["per_sprite"] = perItem(count.sprites);
}
BENCHMARK(SmokeRender);

} // namespace

BENCHMARK_MAIN();
