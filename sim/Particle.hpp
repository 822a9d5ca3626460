// Particle: one slot of an emitter's fixed pool, and its lifecycle Waiting -> Alive -> Expired.
// A particle owns the SpriteAnim of its current life (kept in place, so relaunching a slot
// never allocates) and at most one burst: a whole secondary emitter attached when it expired,
// advanced and drawn through this slot, and destroyed when none of its sparks is alive.
#pragma once

#include "sim/SpriteAnim.hpp"
#include "sim/Vector3.hpp"

#include <memory>
#include <optional>

class ParticleEmitter;
class ScreenDevice;

enum ParticleState : int { Waiting = 0, Alive = 1, Expired = 2 };

class Particle {
public:
    Particle();
    ~Particle(); // the burst first, then the sprite
    Particle(const Particle&) = delete;
    Particle& operator=(const Particle&) = delete;

    // Starts a new life at `start` with `speed`; the sprite of the previous life is replaced.
    void launch(const Vector3& start, const Vector3& speed, double life, double scale, const SpriteAnim& anim);
    // Draws the burst, then this particle's current frame when it is Alive.
    void draw(ScreenDevice* screen);
    // Takes the burst when the slot has none; otherwise the given burst is destroyed.
    bool attachBurst(std::unique_ptr<ParticleEmitter> newBurst);
    // Advances the burst; ends it, freeing the slot, once none of its sparks is alive.
    void updateBurst(ScreenDevice* screen, double dt);

    Vector3 position;
    Vector3 velocity;
    double initialLife = 0.0;
    double remainingLife = 0.0;
    double gravityScale = 1.0;
    ParticleState state = Waiting;
    std::optional<SpriteAnim> sprite;
    std::unique_ptr<ParticleEmitter> burst;
};
