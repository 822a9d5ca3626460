// One whole frame of the application (input, update and render with the help overlay) on
// the headless display at steady state. Compare with the memset and memcpy baselines of the
// walks benchmark, which run in the same program.
#include "support/AppHarness.hpp"

#include <benchmark/benchmark.h>

namespace {

void WholeFrame(benchmark::State& state)
{
    static AppHarness harness(1);
    static bool settled = false;
    if (!settled) {
        for (int i = 0; i < 600; ++i)
            harness.frame(0.016f);
        settled = true;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(harness.frame(0.016f));
    state.counters["sparks"] = harness.app->sparkler->aliveCount;
    state.counters["smoke"] = harness.app->smoke->aliveCount;
}
BENCHMARK(WholeFrame)->Unit(benchmark::kMicrosecond);

void HelpOverlayOnly(benchmark::State& state)
{
    static AppHarness harness(1);
    for (auto _ : state)
        harness.app->drawHelpOverlay();
}
BENCHMARK(HelpOverlayOnly)->Unit(benchmark::kMicrosecond);

} // namespace
