// Particle: one pool slot, its launch, its burst and its drawing.
#include "sim/Particle.hpp"

#include "sim/ParticleEmitter.hpp"

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
    framesPerSecond = static_cast<double>(anim.frameCount) / life;
}

void Particle::draw(ScreenDevice* screen)
{
    if (burst != nullptr)
        burst->render(screen);
    drawSprite(screen);
}

void Particle::drawSprite(ScreenDevice* screen)
{
    if (!sprite.has_value() || state != Alive)
        return;
    const Rect source = frameCell();
    if (screen != nullptr)
        screen->blit(screenColumn(), screenRow(), sprite->sheet, source);
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
