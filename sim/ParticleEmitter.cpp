// ParticleEmitter: the pool, the update and render walks, the sheet and the colour row.
#include "sim/ParticleEmitter.hpp"

#include "gfx/ScreenDevice.hpp"
#include "sim/Random.hpp"

ParticleEmitter::ParticleEmitter(int capacityIn, int oneShotIn, double lifeLowIn, double lifeHighIn, double speedBaseIn,
                                 double speedRangeIn, int colourCountIn, double gravityScaleIn)
    : particles(std::make_unique<Particle[]>(static_cast<std::size_t>(capacityIn > 0 ? capacityIn : 0))),
      oneShot(oneShotIn), capacity(capacityIn > 0 ? capacityIn : 0), lifeLow(lifeLowIn), lifeHigh(lifeHighIn),
      speedBase(speedBaseIn), speedRange(speedRangeIn), gravityScale(gravityScaleIn), colourCount(colourCountIn)
{}

ParticleEmitter::~ParticleEmitter()
{
    particles.reset();
    if (sheet != nullptr) {
        sheet->destroy();
        sheet.reset();
    }
}

void ParticleEmitter::update(ScreenDevice* screen, double dt)
{
    for (int index = 0; index < capacity; ++index) {
        Particle& p = particles[index];
        if (p.burst != nullptr)
            p.updateBurst(screen, dt);
        switch (p.state) {
        case Alive:
            p.remainingLife -= dt;
            if (p.remainingLife <= 0.0) { // a NaN life does not count as run out
                p.state = Expired;
                --aliveCount;
                if (oneShot == 0)
                    particleExpired(screen, index);
            } else {
                p.velocity += gravity * p.gravityScale;
                p.position += p.velocity * dt;
            }
            break;
        case Waiting:
            spawnParticle(index);
            break;
        case Expired:
            if (oneShot == 0 && p.burst == nullptr && randomNext() % 10 == 1)
                p.state = Waiting;
            break;
        }
    }
}

void ParticleEmitter::render(ScreenDevice* screen)
{
    // The sheet and the back buffer are checked once for the walk; a sprite on another sheet
    // (none in the program) takes the general path through blit.
    const SheetCopier copier = screen != nullptr ? screen->copierFor(sheet.get()) : SheetCopier{};
    const BitmapSurface* ownSheet = sheet.get();
    for (int index = 0; index < capacity; ++index) {
        Particle& p = particles[index];
        if (p.burst != nullptr)
            p.burst->render(screen); // beneath its slot and every later one
        if (p.state != Alive || !p.sprite.has_value())
            continue;
        if (!copier.ready() || p.sprite->sheet != ownSheet) {
            p.drawSprite(screen);
            continue;
        }
        const Rect source = p.frameCell();
        copier.copy(p.screenColumn(), p.screenRow(), source);
    }
}

bool ParticleEmitter::loadSheet(ScreenDevice* screen, int resourceId, int width, int height)
{
    if (screen == nullptr)
        return true;
    return screen->createSurfaceFromBitmap(&sheet, ImageName{resourceId & 0xFFFF, nullptr}, width, height) < 0;
}

void ParticleEmitter::setColour(int value)
{
    colour = value < colourCount ? value : 0;
}

double ParticleEmitter::lifetimeFor(int d) const
{
    return lifeHigh - (lifeHigh - lifeLow) / static_cast<double>(d) + lifeLow;
}
