// The per-frame walks of both emitters at steady state, beside a baseline of plain memory
// work on one 1024 x 768 x 2-byte buffer (a memset and a memcpy), in the same run; and each
// render walk's copies made again on their own, the floor under that walk.
#include "WalkCounters.hpp"
#include "gfx/ScreenDevice.hpp"
#include "support/Scene.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
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
    // Per main slot, as the goal is set, and per slot visited: the bursts' slots as well.
    WalkCount count;
    addWalkCount(*s.sparkler, count);
    state.counters["alive"] = s.sparkler->aliveCount;
    state.counters["per_slot"] = perItem(s.sparkler->capacity);
    state.counters["per_visited"] = perItem(count.slots);
    state.counters["visited"] = static_cast<double>(count.slots);
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

// One sprite copy of a render walk: the cell, where it lands and the copier of its sheet.
struct PlacedCopy {
    SheetCopier copier;
    std::uint32_t x;
    std::uint32_t y;
    Rect cell;
};

// The copies the render walk of `emitter` makes, in its order: each burst's before its slot.
void gatherCopies(ScreenDevice& device, ParticleEmitter& emitter, std::vector<PlacedCopy>& copies)
{
    for (int index = 0; index < emitter.capacity; ++index) {
        Particle& p = emitter.particles[index];
        if (p.burst != nullptr)
            gatherCopies(device, *p.burst, copies);
        if (p.state != Alive || !p.sprite.has_value())
            continue;
        const Rect cell = p.frameCell();
        copies.push_back(PlacedCopy{device.copierFor(p.sprite->sheet), p.screenColumn(), p.screenRow(), cell});
    }
}

// The floor under a render walk with this drawing order: the same copies to the same places
// of the back buffer, with no walk of the pool around them. What a render walk costs above
// this is the walk's own work.
void copiesOnly(benchmark::State& state, ParticleEmitter& emitter)
{
    SteadyScene& s = scene();
    std::vector<PlacedCopy> copies;
    gatherCopies(s.screen.device, emitter, copies);
    long long refused = 0;
    for (auto _ : state)
        for (const PlacedCopy& c : copies)
            refused += c.copier.copy(c.x, c.y, c.cell) != DD_OK ? 1 : 0;
    state.counters["sprites"] = static_cast<double>(copies.size());
    state.counters["per_sprite"] = perItem(static_cast<long long>(copies.size()));
    state.counters["refused"] = static_cast<double>(refused) / static_cast<double>(state.iterations());
}

void SmokeCopiesOnly(benchmark::State& state)
{
    copiesOnly(state, *scene().smoke);
}
BENCHMARK(SmokeCopiesOnly);

void SparklerCopiesOnly(benchmark::State& state)
{
    copiesOnly(state, *scene().sparkler);
}
BENCHMARK(SparklerCopiesOnly);

} // namespace

BENCHMARK_MAIN();
