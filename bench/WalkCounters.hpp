// Counters shared by the walk benchmarks: how many slots a walk visits and how many sprites it
// draws (bursts included, since a walk runs through them too), the pool memory behind them,
// and the benchmark counters that turn a run's time into nanoseconds per slot or per sprite.
#pragma once

#include "sim/ParticleEmitter.hpp"

#include <benchmark/benchmark.h>

#include <cstddef>

struct WalkCount {
    long long slots = 0; // every slot visited: the emitter's and its live bursts'
    long long sprites = 0; // Alive slots with a sprite, each one blit of the render walk
    std::size_t poolBytes = 0;
};

inline void addWalkCount(const ParticleEmitter& emitter, WalkCount& count)
{
    count.slots += emitter.capacity;
    count.poolBytes += static_cast<std::size_t>(emitter.capacity) * sizeof(Particle);
    for (int index = 0; index < emitter.capacity; ++index) {
        const Particle& p = emitter.particles[index];
        if (p.burst != nullptr)
            addWalkCount(*p.burst, count);
        if (p.state == Alive && p.sprite.has_value())
            ++count.sprites;
    }
}

// Time per item of the run: the counter shows seconds per item (printed as ns).
inline benchmark::Counter perItem(long long items)
{
    return benchmark::Counter(static_cast<double>(items),
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
