// SmokeEmitter: the launch of a puff. The random draws are made in a fixed order.
#include "sim/SmokeEmitter.hpp"

#include "sim/Random.hpp"
#include "sim/Truncate.hpp"

void SmokeEmitter::spawnParticle(int index)
{
    if (randomNext() % 30 != 1)
        return; // drawn before any other test
    if (index >= capacity || !enabled)
        return;

    const int range = truncateToInt(speedRange) > 0 ? truncateToInt(speedRange) : 1; // at least 1, as for sparks
    const double vy = static_cast<double>(randomNext() % range) + speedBase + 10.0;
    double vx = static_cast<double>(randomNext() % 10);
    double life = lifetimeFor(randomNext() % 10);
    if (randomNext() % 50 == 1)
        life = lifeHigh * 1.3; // a long-lived puff
    if (randomNext() % 2 == 1)
        vx = -vx;

    const SpriteAnim anim(sheet.get(), 4, 4, 12, 1, 0);
    Particle& p = particles[index];
    p.launch(position, Vector3{vx, vy, 0.0}, life, gravityScale, anim);
    p.sprite->row = 0;
    ++aliveCount;
}

void SmokeEmitter::particleExpired(ScreenDevice*, int)
{}
