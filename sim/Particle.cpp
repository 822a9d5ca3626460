// Particle: one pool slot, its launch, its burst and its drawing.
#include "sim/Particle.hpp"

#include "gfx/ScreenDevice.hpp"
#include "sim/ParticleEmitter.hpp"
#include "sim/ScreenSize.hpp"
#include "sim/Truncate.hpp"

#include <utility>

Particle::Particle() = default;

Particle::~Particle()
{
    burst.reset();
    sprite.reset();
}

void Particle::launch(const Vector3& start, const Vector3& speed, double life, double scale, const SpriteAnim& anim)
{
    position = start;
    velocity = speed;
    initialLife = life;
    remainingLife = life;
    gravityScale = scale;
    state = Alive;
    burst.reset(); // a launched slot was Waiting, so it held none
    sprite.emplace(anim);
}

void Particle::draw(ScreenDevice* screen)
{
    if (burst != nullptr)
        burst->render(screen);
    if (!sprite.has_value() || state != Alive)
        return;
    SpriteAnim& s = *sprite;

    // Frames advance evenly over the life; a NaN or infinite index (a life of -inf) counts as 0,
    // and an index that rounds up to frameCount keeps the previous frame.
    const int frame = truncateToInt((initialLife - remainingLife) * (static_cast<double>(s.frameCount) / initialLife));
    if (frame < s.frameCount)
        s.currentFrame = frame;

    const Rect source{s.currentFrame * s.frameWidth, s.row * s.frameHeight,
                      s.currentFrame * s.frameWidth + s.frameWidth, s.row * s.frameHeight + s.frameHeight};
    if (screen != nullptr) {
        // A negative coordinate becomes a huge unsigned one, which blit refuses.
        screen->blit(static_cast<std::uint32_t>(truncateToInt(position.x)),
                     static_cast<std::uint32_t>(truncateToInt(static_cast<double>(screenHeight) - position.y)), s.sheet,
                     source);
    }
}

bool Particle::attachBurst(std::unique_ptr<ParticleEmitter> newBurst)
{
    if (burst != nullptr)
        return false; // the given burst is destroyed on return
    burst = std::move(newBurst);
    return true;
}

void Particle::updateBurst(ScreenDevice* screen, double dt)
{
    if (burst == nullptr)
        return;
    burst->update(screen, dt);
    if (burst->aliveCount <= 0) {
        burst.reset();
        state = Waiting;
    }
}
