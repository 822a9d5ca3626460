// SparklerEmitter: throws small coloured sparks, and is also every secondary burst.
// The main sparkler (2000 slots, continuous) sometimes turns an expiring spark into a one-shot
// burst of its own at the place where the spark died. Both draw 3 x 3 frames, 7 per row,
// one row per colour.
#pragma once

#include "sim/ParticleEmitter.hpp"

class SparklerEmitter : public ParticleEmitter {
public:
    using ParticleEmitter::ParticleEmitter;

    void spawnParticle(int index) override;
    void particleExpired(ScreenDevice* screen, int index) override;
};
