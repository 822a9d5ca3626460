// ParticleEmitter: the abstract base of every emitter.
// It owns a pool of `capacity` particles, allocated once and never resized, and its sprite
// sheet. update() drives every slot through Waiting -> Alive -> Expired -> Waiting in index
// order; render() blits each live particle's frame. What a launch looks like and what an
// expiry does are the kinds' two virtual operations. All random draws go through randomNext().
#pragma once

#include "sim/Particle.hpp"
#include "sim/Vector3.hpp"

#include <memory>

class BitmapSurface;
class ScreenDevice;

class ParticleEmitter {
public:
    ParticleEmitter(int capacity, int oneShot, double lifeLow, double lifeHigh, double speedBase, double speedRange,
                    int colourCount, double gravityScale);
    ParticleEmitter(const ParticleEmitter&) = delete;
    ParticleEmitter& operator=(const ParticleEmitter&) = delete;

    // Offered every Waiting slot on every update step; may launch it.
    virtual void spawnParticle(int index) = 0;
    // Called right after slot `index` became Expired, for emitters that are not one-shot.
    virtual void particleExpired(ScreenDevice* screen, int index) = 0;
    virtual ~ParticleEmitter();

    void update(ScreenDevice* screen, double dt);
    void render(ScreenDevice* screen);
    // Loads the sprite sheet from the image table; true when that failed.
    bool loadSheet(ScreenDevice* screen, int resourceId, int width, int height);
    // colour becomes value when value < colourCount (so negative values pass), otherwise 0.
    void setColour(int value);

    std::unique_ptr<Particle[]> particles;
    int oneShot;
    bool enabled = true;
    int capacity;
    double lifeLow;
    double lifeHigh;
    double speedBase;
    double speedRange;
    int aliveCount = 0;
    double gravityScale;
    Vector3 gravity{0.0, -9.8, 0.0};
    Vector3 position;
    int colour = 0;
    int colourCount;
    std::unique_ptr<BitmapSurface> sheet;

protected:
    // The lifetime formula shared by both kinds: lifeHigh - (lifeHigh - lifeLow) / d + lifeLow,
    // in that order; d = 0 gives an infinite quotient and a lifetime of minus infinity.
    double lifetimeFor(int d) const;
};
