// SparklerEmitter: the launch of a spark and the burst of an expiring one.
// The random draws are made in a fixed order; changing it changes every run.
#include "sim/SparklerEmitter.hpp"

#include "sim/Random.hpp"
#include "sim/Truncate.hpp"

namespace {
constexpr int kBurstSheet = 114;
}

void SparklerEmitter::spawnParticle(int index)
{
    if (randomNext() % 6 != 1)
        return; // drawn before any other test
    if (index >= capacity || !enabled)
        return;

    const int row = colour == -1 ? randomNext() % 6 : colour;
    // The range must be at least 1; a smaller one gives a remainder of 0 rather than a fault.
    const int range = truncateToInt(speedRange) > 0 ? truncateToInt(speedRange) : 1;
    double vy = static_cast<double>(randomNext() % range) + speedBase;
    double vx = static_cast<double>(randomNext() % range);
    double life = lifetimeFor(randomNext() % 10);
    if (randomNext() % 100 == 1)
        life = lifeHigh * 1.7; // a long-lived spark
    if (randomNext() % 2 == 1)
        vy = -vy;
    if (randomNext() % 2 == 1)
        vx = -vx;

    const SpriteAnim anim(sheet.get(), 3, 3, 7, 6, 0);
    Particle& p = particles[index];
    p.launch(position, Vector3{vx, vy, 0.0}, life, gravityScale, anim);
    p.sprite->row = row;
    ++aliveCount;
}

void SparklerEmitter::particleExpired(ScreenDevice* screen, int index)
{
    if (screen == nullptr)
        return;
    if (randomNext() % 100 != 1)
        return;

    Particle& p = particles[index];
    auto owned = std::make_unique<SparklerEmitter>(randomNext() % 150, 1, 0.1, 0.2, 0.0, 100.0, 6, p.gravityScale);
    SparklerEmitter* burst = owned.get();
    if (!p.attachBurst(std::move(owned)))
        return;
    burst->position = p.position;
    burst->loadSheet(screen, kBurstSheet, 21, 18);
    burst->setColour(colour);
}
