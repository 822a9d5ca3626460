// SmokeEmitter: releases slow puffs that rise and drift sideways through a 12-frame fade.
// One colour row, upward-only vertical speed, long lives, almost no gravity, and nothing
// happens on expiry beyond the later release of the slot.
#pragma once

#include "sim/ParticleEmitter.hpp"

class SmokeEmitter : public ParticleEmitter {
public:
    using ParticleEmitter::ParticleEmitter;

    void spawnParticle(int index) override;
    void particleExpired(ScreenDevice* screen, int index) override;
};
