// The update and render walks of the emitter base: the slot lifecycle, bursts, frames.
#include "sim/ParticleEmitter.hpp"

#include "sim/Random.hpp"
#include "sim/SparklerEmitter.hpp"
#include "support/Scene.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// An emitter whose launches are scripted: every offered slot is recorded, and launched with
// the configured life and velocity while `launches` lasts.
class ScriptedEmitter : public ParticleEmitter {
public:
    explicit ScriptedEmitter(int capacityIn, int oneShotIn = 0)
        : ParticleEmitter(capacityIn, oneShotIn, 0.2, 1.0, 0.0, 200.0, 6, 1.0)
    {}
    void spawnParticle(int index) override
    {
        offered.push_back(index);
        if (launches <= 0 || !enabled)
            return;
        --launches;
        particles[index].launch(position, launchVelocity, launchLife, gravityScale,
                                SpriteAnim(sheet.get(), 3, 3, 7, 6, 0));
        particles[index].sprite->row = launchRow;
        ++aliveCount;
    }
    void particleExpired(ScreenDevice*, int index) override { expired.push_back(index); }

    int launches = 0;
    double launchLife = 1.0;
    int launchRow = 0;
    Vector3 launchVelocity{10.0, 20.0, 0.0};
    std::vector<int> offered;
    std::vector<int> expired;
};

std::uint16_t pixelAt(const Surface& s, int x, int y)
{
    return s.row(y)[x];
}

int changedPixels(const Surface& s, std::uint16_t background)
{
    int count = 0;
    for (std::uint16_t p : s.pixels)
        count += p != background ? 1 : 0;
    return count;
}

} // namespace

TEST(ParticleEmitter, CapacityZeroDoesNothing)
{
    ScriptedEmitter emitter(0);
    emitter.launches = 5;
    emitter.update(nullptr, 0.016);
    emitter.render(nullptr);
    EXPECT_EQ(emitter.aliveCount, 0);
    EXPECT_TRUE(emitter.offered.empty());
}

TEST(ParticleEmitter, AliveParticleMovesWithVelocityChangedFirst)
{
    ScriptedEmitter emitter(1);
    emitter.launches = 1;
    emitter.position.set(100.0, 200.0, 0.0);
    emitter.update(nullptr, 0.5); // launches; not advanced in the launching step
    Particle& p = emitter.particles[0];
    ASSERT_EQ(p.state, Alive);
    EXPECT_EQ(p.position.x, 100.0);
    EXPECT_EQ(p.position.y, 200.0);
    EXPECT_EQ(p.remainingLife, 1.0);

    emitter.update(nullptr, 0.25);
    // Velocity first gains gravity once (no dt), then the position moves by the new velocity.
    EXPECT_EQ(p.velocity.y, 20.0 + -9.8);
    EXPECT_EQ(p.position.x, 100.0 + 10.0 * 0.25);
    EXPECT_EQ(p.position.y, 200.0 + (20.0 + -9.8) * 0.25);
    EXPECT_EQ(p.remainingLife, 0.75);
    EXPECT_EQ(p.position.z, 0.0);
}

TEST(ParticleEmitter, ZeroDtStillChangesVelocity)
{
    ScriptedEmitter emitter(1);
    emitter.launches = 1;
    emitter.update(nullptr, 0.0);
    emitter.update(nullptr, 0.0);
    const Particle& p = emitter.particles[0];
    EXPECT_EQ(p.remainingLife, 1.0);
    EXPECT_EQ(p.position.x, 0.0);
    EXPECT_EQ(p.velocity.y, 20.0 - 9.8);
}

TEST(ParticleEmitter, LifeOfExactlyZeroExpiresWithoutMoving)
{
    ScriptedEmitter emitter(1);
    emitter.launches = 1;
    emitter.launchLife = 0.5;
    emitter.update(nullptr, 0.0);
    emitter.update(nullptr, 0.5);
    const Particle& p = emitter.particles[0];
    EXPECT_EQ(p.state, Expired);
    EXPECT_EQ(p.remainingLife, 0.0);
    EXPECT_EQ(p.position.x, 0.0); // not moved in the step that expired it
    EXPECT_EQ(emitter.aliveCount, 0);
    EXPECT_EQ(emitter.expired, std::vector<int>{0});
}

TEST(ParticleEmitter, NanLifeNeverRunsOut)
{
    ScriptedEmitter emitter(1);
    emitter.launches = 1;
    emitter.launchLife = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < 10; ++i)
        emitter.update(nullptr, 1.0);
    EXPECT_EQ(emitter.particles[0].state, Alive);
    EXPECT_EQ(emitter.aliveCount, 1);
}

TEST(ParticleEmitter, ExpiredSlotIsReleasedOnlyOnTheOneInTenDraw)
{
    ScriptedEmitter emitter(1);
    emitter.launches = 1;
    emitter.launchLife = 0.1;
    emitter.update(nullptr, 0.0);
    emitter.update(nullptr, 1.0);
    ASSERT_EQ(emitter.particles[0].state, Expired);

    // Each following step draws one number; the slot is Waiting only after a draw % 10 == 1.
    for (int step = 0; step < 200 && emitter.particles[0].state == Expired; ++step) {
        const std::uint32_t before = randomState();
        emitter.update(nullptr, 1.0);
        randomSeed(before);
        const int drawn = randomNext();
        EXPECT_EQ(emitter.particles[0].state == Waiting, drawn % 10 == 1);
    }
    EXPECT_EQ(emitter.particles[0].state, Waiting);
}

TEST(ParticleEmitter, OneShotSlotStaysExpiredAndDrawsNothing)
{
    ScriptedEmitter emitter(1, 1);
    emitter.launches = 1;
    emitter.launchLife = 0.1;
    emitter.update(nullptr, 0.0);
    emitter.update(nullptr, 1.0);
    const std::uint32_t before = randomState();
    for (int i = 0; i < 50; ++i)
        emitter.update(nullptr, 1.0);
    EXPECT_EQ(emitter.particles[0].state, Expired);
    EXPECT_TRUE(emitter.expired.empty()); // one-shot emitters are never told
    EXPECT_EQ(randomState(), before);
}

TEST(ParticleEmitter, DisabledEmitterStillAdvancesItsParticles)
{
    ScriptedEmitter emitter(2);
    emitter.launches = 1;
    emitter.update(nullptr, 0.0);
    emitter.enabled = false;
    emitter.launches = 1;
    emitter.update(nullptr, 0.5);
    EXPECT_EQ(emitter.particles[0].remainingLife, 0.5);
    EXPECT_EQ(emitter.particles[1].state, Waiting);
}

TEST(ParticleEmitter, SetColourBoundsByColourCount)
{
    ScriptedEmitter emitter(0);
    emitter.setColour(6);
    EXPECT_EQ(emitter.colour, 0);
    emitter.setColour(5);
    EXPECT_EQ(emitter.colour, 5);
    emitter.setColour(-1);
    EXPECT_EQ(emitter.colour, -1);
}

TEST(ParticleEmitter, RelaunchReplacesTheSpriteOfThePreviousLife)
{
    Particle p;
    EXPECT_EQ(p.state, Waiting);
    EXPECT_FALSE(p.sprite.has_value());
    EXPECT_EQ(p.burst, nullptr);
    p.launch(Vector3{1, 2, 0}, Vector3{}, 1.0, 1.0, SpriteAnim(nullptr, 3, 3, 7, 6, 0));
    p.sprite->row = 4;
    p.sprite->currentFrame = 6;
    p.launch(Vector3{1, 2, 0}, Vector3{}, 1.0, 1.0, SpriteAnim(nullptr, 4, 4, 12, 1, 0));
    EXPECT_EQ(p.sprite->row, 0);
    EXPECT_EQ(p.sprite->currentFrame, 0);
    EXPECT_EQ(p.sprite->frameWidth, 4);
}

// Bursts: a whole emitter owned by one expired slot.
TEST(ParticleEmitterBurst, CapacityZeroBurstEndsAtNextUpdateAndFreesTheSlot)
{
    HeadlessScreen screen;
    ScriptedEmitter emitter(1);
    Particle& p = emitter.particles[0];
    p.state = Expired;
    auto burst = std::make_unique<SparklerEmitter>(0, 1, 0.1, 0.2, 0.0, 100.0, 6, 1.0);
    EXPECT_FALSE(burst->loadSheet(&screen.device, 114, 21, 18));
    ASSERT_TRUE(p.attachBurst(std::move(burst)));

    emitter.update(&screen.device, 0.016);
    EXPECT_EQ(p.burst, nullptr);
    // Freed in step 1 of the walk and offered to the spawner in the same step.
    EXPECT_EQ(emitter.offered, std::vector<int>{0});
    EXPECT_EQ(p.state, Waiting);
}

TEST(ParticleEmitterBurst, SecondBurstIsRefused)
{
    Particle p;
    p.state = Expired;
    auto first = std::make_unique<SparklerEmitter>(3, 1, 0.1, 0.2, 0.0, 100.0, 6, 1.0);
    SparklerEmitter* kept = first.get();
    EXPECT_TRUE(p.attachBurst(std::move(first)));
    EXPECT_FALSE(p.attachBurst(std::make_unique<SparklerEmitter>(5, 1, 0.1, 0.2, 0.0, 100.0, 6, 1.0)));
    EXPECT_EQ(p.burst.get(), kept);
}

TEST(ParticleEmitterBurst, BurstWithWaitingSlotsEndsWhenNoSparkIsAlive)
{
    randomSeed(7);
    Particle p;
    p.state = Expired;
    auto owned = std::make_unique<SparklerEmitter>(40, 1, 0.1, 0.2, 0.0, 100.0, 6, 1.0);
    SparklerEmitter* burst = owned.get();
    p.attachBurst(std::move(owned));
    int steps = 0;
    while (p.burst != nullptr && steps < 1000) {
        p.updateBurst(nullptr, 0.05);
        ++steps;
        if (p.burst != nullptr) {
            EXPECT_GT(burst->aliveCount, 0);
            EXPECT_EQ(p.state, Expired);
        }
    }
    EXPECT_EQ(p.burst, nullptr);
    EXPECT_EQ(p.state, Waiting);
    EXPECT_LT(steps, 1000);
}

// Drawing: frames, the screen edges, the burst beneath its slot.
TEST(ParticleEmitterDraw, MinusInfiniteLifeIsDrawnOnceWithFrameZeroThenExpires)
{
    HeadlessScreen screen;
    ScriptedEmitter emitter(1);
    emitter.loadSheet(&screen.device, 113, 21, 18);
    emitter.launches = 1;
    emitter.launchLife = -std::numeric_limits<double>::infinity();
    emitter.launchRow = 0;
    emitter.position.set(100.0, 668.0, 0.0); // drawn at column 100, row 100
    emitter.update(&screen.device, 0.0);
    screen.device.clear(0);
    emitter.render(&screen.device);
    const Surface& back = *screen.device.backBuffer;
    EXPECT_EQ(emitter.particles[0].sprite->currentFrame, 0);
    EXPECT_EQ(pixelAt(back, 100, 100), rgbToPixel(255, 219, 183)); // row 0, frame 0
    EXPECT_EQ(changedPixels(back, 0), 9);

    emitter.update(&screen.device, 0.016);
    EXPECT_EQ(emitter.particles[0].state, Expired);
    screen.device.clear(0);
    emitter.render(&screen.device);
    EXPECT_EQ(changedPixels(*screen.device.backBuffer, 0), 0);
}

TEST(ParticleEmitterDraw, FrameAdvancesEvenlyAndNeverReachesFrameCount)
{
    HeadlessScreen screen;
    ScriptedEmitter emitter(1);
    emitter.loadSheet(&screen.device, 113, 21, 18);
    emitter.launches = 1;
    emitter.launchLife = 0.7;
    emitter.launchVelocity = Vector3{};
    emitter.position.set(10.0, 700.0, 0.0);
    emitter.update(&screen.device, 0.0);
    Particle& p = emitter.particles[0];
    p.remainingLife = 0.7 - 0.35; // half the life: frame 3 of 7
    emitter.render(&screen.device);
    EXPECT_EQ(p.sprite->currentFrame, 3);
    // Elapsed time equal to the whole life would give frame 7: the previous frame stays.
    p.remainingLife = 0.0;
    emitter.render(&screen.device);
    EXPECT_EQ(p.sprite->currentFrame, 3);
}

TEST(ParticleEmitterDraw, FramesAtOrPastTheEdgesAreNotDrawnAtAll)
{
    HeadlessScreen screen;
    ScriptedEmitter emitter(1);
    emitter.loadSheet(&screen.device, 113, 21, 18);
    emitter.launches = 1;
    emitter.launchVelocity = Vector3{};
    emitter.update(&screen.device, 0.0);
    Particle& p = emitter.particles[0];

    struct Case {
        double x, y;
        bool drawn;
    };
    const Case cases[] = {
        {1021.0, 384.0, true}, // columns 1021..1023: the last that fits
        {1022.0, 384.0, false}, // would pass the right edge
        {-0.5, 384.0, true}, // truncates to column 0
        {-1.0, 384.0, false}, // left of the screen
        {500.0, 768.0, true}, // row 0
        {500.0, 768.5, true}, // row trunc(-0.5) = 0
        {500.0, 769.0, false}, // above the screen
        {500.0, 3.0, true}, // rows 765..767
        {500.0, 2.0, false}, // would pass the bottom edge
        {-4294967296.0, 384.0, false}, // huge negative: must not wrap back into range
        {4294967296.0 + 10.0, 384.0, false},
    };
    for (const Case& c : cases) {
        p.position.set(c.x, c.y, 0.0);
        screen.device.clear(0);
        emitter.render(&screen.device);
        EXPECT_EQ(changedPixels(*screen.device.backBuffer, 0), c.drawn ? 9 : 0) << c.x << ", " << c.y;
    }
}

TEST(ParticleEmitterDraw, ExpiredSlotDrawsOnlyItsBurst)
{
    HeadlessScreen screen;
    ScriptedEmitter emitter(1);
    emitter.loadSheet(&screen.device, 113, 21, 18);
    emitter.launches = 1;
    emitter.launchVelocity = Vector3{};
    emitter.position.set(200.0, 568.0, 0.0);
    emitter.update(&screen.device, 0.0);
    Particle& p = emitter.particles[0];
    p.state = Expired;

    randomSeed(3);
    auto burst = std::make_unique<SparklerEmitter>(100, 1, 0.1, 0.2, 0.0, 100.0, 6, 1.0);
    burst->loadSheet(&screen.device, 114, 21, 18);
    burst->position.set(600.0, 384.0, 0.0);
    SparklerEmitter* b = burst.get();
    p.attachBurst(std::move(burst));
    b->update(&screen.device, 0.0);
    ASSERT_GT(b->aliveCount, 0);

    screen.device.clear(0);
    emitter.render(&screen.device);
    const Surface& back = *screen.device.backBuffer;
    int nearSlot = 0;
    int nearBurst = 0;
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            if (pixelAt(back, x, y) == 0)
                continue;
            if (x >= 195 && x < 210 && y >= 195 && y < 210)
                ++nearSlot;
            else if (x >= 598 && x < 606 && y >= 380 && y < 388)
                ++nearBurst;
        }
    }
    EXPECT_EQ(nearSlot, 0);
    EXPECT_GT(nearBurst, 0);
}
