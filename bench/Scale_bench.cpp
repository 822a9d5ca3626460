// Scale: the update and render walks of both emitter kinds with their capacities raised to a
// total of N slots (2 in 7 sparks, 5 in 7 smoke, as the program's 2,000 and 5,000), same
// settings, rules and draws otherwise, stepped to a steady state first. Prints time per slot,
// per drawn sprite, and the pool memory per slot, to show whether the cost stays linear; and
// beside them the bare traffic of pools of the same sizes.
#include "WalkCounters.hpp"
#include "support/Scene.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace {

struct ScaledScene {
    explicit ScaledScene(int slots)
    {
        randomSeed(1);
        EmitterSettings sparks = sparklerSettings;
        EmitterSettings puffs = smokeSettings;
        sparks.capacity = static_cast<int>(static_cast<long long>(slots) * 2 / 7);
        puffs.capacity = slots - sparks.capacity;
        sparkler = makeEmitter<SparklerEmitter>(&screen.device, sparks);
        smoke = makeEmitter<SmokeEmitter>(&screen.device, puffs);
        sparkler->position.set(screenCentreX, screenCentreY, 0.0);
        smoke->position.set(screenCentreX, screenCentreY, 0.0);
        // Long enough for the smoke's lives (6 to 8 s) to have turned over once.
        for (int frame = 0; frame < 520; ++frame)
            update();
    }

    void update()
    {
        sparkler->update(&screen.device, 0.016);
        smoke->update(&screen.device, 0.016);
    }

    void render()
    {
        smoke->render(&screen.device);
        sparkler->render(&screen.device);
    }

    WalkCount count() const
    {
        WalkCount counted;
        addWalkCount(*sparkler, counted);
        addWalkCount(*smoke, counted);
        return counted;
    }

    HeadlessScreen screen;
    std::unique_ptr<SparklerEmitter> sparkler;
    std::unique_ptr<SmokeEmitter> smoke;
};

// One scene per size, made on first use and shared by the update and render benchmarks.
ScaledScene& sceneOf(int slots)
{
    static std::map<int, std::unique_ptr<ScaledScene>> scenes;
    std::unique_ptr<ScaledScene>& scene = scenes[slots];
    if (scene == nullptr)
        scene = std::make_unique<ScaledScene>(slots);
    return *scene;
}

void report(benchmark::State& state, const ScaledScene& scene, int slots, bool perSprite)
{
    const WalkCount count = scene.count();
    state.counters["slots"] = static_cast<double>(count.slots);
    state.counters["sprites"] = static_cast<double>(count.sprites);
    state.counters["bytes_per_slot"] = static_cast<double>(count.poolBytes) / static_cast<double>(count.slots);
    state.counters["per_slot"] = perItem(slots);
    if (perSprite)
        state.counters["per_sprite"] = perItem(count.sprites);
}

void ScaleUpdate(benchmark::State& state)
{
    const int slots = static_cast<int>(state.range(0));
    ScaledScene& scene = sceneOf(slots);
    for (auto _ : state)
        scene.update();
    report(state, scene, slots, false);
}
BENCHMARK(ScaleUpdate)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void ScaleRender(benchmark::State& state)
{
    const int slots = static_cast<int>(state.range(0));
    ScaledScene& scene = sceneOf(slots);
    for (auto _ : state)
        scene.render();
    report(state, scene, slots, true);
}
BENCHMARK(ScaleRender)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The memory floor of the walks at each size: a pool of N slots' bytes read and written back
// once, with no work on them. Beside ScaleUpdate it shows how much of the cost per slot at a
// size is the pool's traffic alone.
void ScaleStream(benchmark::State& state)
{
    const auto slots = static_cast<std::size_t>(state.range(0));
    std::vector<std::uint64_t> pool(slots * sizeof(Particle) / sizeof(std::uint64_t), 1);
    for (auto _ : state) {
        for (std::uint64_t& word : pool)
            word += 1;
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(pool.data());
    state.counters["bytes_per_slot"] = static_cast<double>(sizeof(Particle));
    state.counters["per_slot"] = perItem(static_cast<long long>(slots));
}
BENCHMARK(ScaleStream)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

} // namespace
