// Particle: one slot of an emitter's fixed pool, and its lifecycle Waiting -> Alive -> Expired.
// A particle owns the SpriteAnim of its current life (kept in place, so relaunching a slot
// never allocates) and at most one burst: a whole secondary emitter attached when it expired,
// advanced and drawn through this slot, and destroyed when none of its sparks is alive.
#pragma once

#include "gfx/ScreenDevice.hpp"
#include "sim/ScreenSize.hpp"
#include "sim/SpriteAnim.hpp"
#include "sim/Truncate.hpp"
#include "sim/Vector3.hpp"

#include <cstdint>
#include <memory>
#include <optional>

class ParticleEmitter;

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
    // This particle's own frame when it is Alive, without the burst.
    void drawSprite(ScreenDevice* screen);
    // For an Alive particle with a sprite: steps the sprite to the frame of the life elapsed
    // and gives that frame's cell on the sheet.
    Rect frameCell();
    // Where the frame's top-left corner lands: column trunc(x), row trunc(768 - y). A
    // negative value becomes a huge unsigned one, which blits refuse.
    std::uint32_t screenColumn() const { return static_cast<std::uint32_t>(truncateToInt(position.x)); }
    std::uint32_t screenRow() const
    {
        return static_cast<std::uint32_t>(truncateToInt(static_cast<double>(screenHeight) - position.y));
    }
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
    // The sprite's frameCount / initialLife, worked out once at launch: both are set only
    // there, and the render walk would otherwise divide for every drawn frame.
    double framesPerSecond = 0.0;
};

inline Rect Particle::frameCell()
{
    SpriteAnim& s = *sprite;
    // Frames advance evenly over the life; a NaN or infinite index (a life of -inf) counts as 0,
    // and an index that rounds up to frameCount keeps the previous frame.
    const int frame = truncateToInt((initialLife - remainingLife) * framesPerSecond);
    if (frame < s.frameCount)
        s.currentFrame = frame;
    return Rect{s.currentFrame * s.frameWidth, s.row * s.frameHeight, s.currentFrame * s.frameWidth + s.frameWidth,
                s.row * s.frameHeight + s.frameHeight};
}
