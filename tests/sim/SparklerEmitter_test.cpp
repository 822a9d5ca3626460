// The sparkler's launches and bursts, checked draw by draw against an independent generator.
#include "sim/SparklerEmitter.hpp"

#include "sim/Random.hpp"
#include "support/Scene.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A second copy of the generator, so expected values do not come from the code under test.
struct Lcg {
    std::uint32_t state;
    int next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// The first seed from `start` whose first draw launches a spark and whose lifetime draw is d.
std::uint32_t seedWithLaunch(std::uint32_t start, bool randomRow, int wantedD)
{
    for (std::uint32_t seed = start;; ++seed) {
        Lcg g{seed};
        if (g.next() % 6 != 1)
            continue;
        if (randomRow)
            g.next();
        g.next();
        g.next();
        if (wantedD < 0 || g.next() % 10 == wantedD)
            return seed;
    }
}

SparklerEmitter mainConfig()
{
    return SparklerEmitter(2000, 0, 0.2, 1.0, 0.0, 200.0, 6, 1.0);
}

} // namespace

TEST(SparklerEmitter, LaunchDrawsInTheFixedOrder)
{
    for (int colour : {-1, 3}) {
        for (int d = 0; d < 10; ++d) {
            const std::uint32_t seed = seedWithLaunch(1000u * static_cast<std::uint32_t>(d + 1), colour == -1, d);
            SparklerEmitter sparkler(1, 0, 0.2, 1.0, 0.0, 200.0, 6, 1.0);
            sparkler.colour = colour;
            sparkler.position.set(300.0, 400.0, 0.0);
            randomSeed(seed);
            sparkler.update(nullptr, 0.016);

            Lcg g{seed};
            g.next();
            const int row = colour == -1 ? g.next() % 6 : colour;
            double vy = static_cast<double>(g.next() % 200) + 0.0;
            double vx = static_cast<double>(g.next() % 200);
            const int drawnD = g.next() % 10;
            double life = 1.0 - (1.0 - 0.2) / static_cast<double>(drawnD) + 0.2;
            if (g.next() % 100 == 1)
                life = 1.0 * 1.7;
            if (g.next() % 2 == 1)
                vy = -vy;
            if (g.next() % 2 == 1)
                vx = -vx;

            const Particle& p = sparkler.particles[0];
            ASSERT_EQ(p.state, Alive);
            EXPECT_EQ(sparkler.aliveCount, 1);
            EXPECT_EQ(p.sprite->row, row);
            EXPECT_EQ(p.velocity.x, vx);
            EXPECT_EQ(p.velocity.y, vy);
            EXPECT_EQ(p.initialLife, life);
            EXPECT_EQ(p.position.x, 300.0);
            EXPECT_EQ(p.position.y, 400.0);
            EXPECT_EQ(randomState(), g.state) << "the launch drew a different number of values";
            if (d == 0 && life != 1.7) {
                EXPECT_TRUE(std::isinf(p.initialLife) && p.initialLife < 0);
            }
        }
    }
}

TEST(SparklerEmitter, NoLaunchDrawsOnlyTheChance)
{
    for (std::uint32_t seed = 1; seed < 40; ++seed) {
        SparklerEmitter sparkler(1, 0, 0.2, 1.0, 0.0, 200.0, 6, 1.0);
        sparkler.enabled = false;
        randomSeed(seed);
        sparkler.update(nullptr, 0.016);
        Lcg g{seed};
        g.next();
        EXPECT_EQ(randomState(), g.state);
        EXPECT_EQ(sparkler.aliveCount, 0);
    }
}

TEST(SparklerEmitter, ExpiryWithoutScreenMakesNoBurstAndDrawsNothing)
{
    SparklerEmitter sparkler = mainConfig();
    sparkler.particles[5].state = Expired;
    randomSeed(99);
    sparkler.particleExpired(nullptr, 5);
    EXPECT_EQ(randomState(), 99u);
    EXPECT_EQ(sparkler.particles[5].burst, nullptr);
}

TEST(SparklerEmitter, BurstTakesTheSparkPlaceColourAndScale)
{
    HeadlessScreen screen;
    // A seed whose first draw is a burst (1 in 100); the second gives the capacity.
    std::uint32_t seed = 1;
    for (;; ++seed) {
        Lcg g{seed};
        if (g.next() % 100 == 1)
            break;
    }
    Lcg g{seed};
    g.next();
    const int capacity = g.next() % 150;

    SparklerEmitter sparkler = mainConfig();
    sparkler.colour = 4;
    Particle& p = sparkler.particles[2];
    p.state = Expired;
    p.position.set(123.0, 456.0, 0.0);
    p.gravityScale = 0.5;
    sparkler.gravity.set(0.0, 3.0, 0.0);
    randomSeed(seed);
    sparkler.particleExpired(&screen.device, 2);

    ASSERT_NE(p.burst, nullptr);
    const ParticleEmitter& burst = *p.burst;
    EXPECT_EQ(burst.capacity, capacity);
    EXPECT_EQ(burst.oneShot, 1);
    EXPECT_EQ(burst.lifeLow, 0.1);
    EXPECT_EQ(burst.lifeHigh, 0.2);
    EXPECT_EQ(burst.speedRange, 100.0);
    EXPECT_EQ(burst.gravityScale, 0.5);
    EXPECT_EQ(burst.colour, 4);
    EXPECT_EQ(burst.position.x, 123.0);
    EXPECT_EQ(burst.position.y, 456.0);
    EXPECT_EQ(burst.gravity.y, -9.8); // the main sparkler's gravity is not passed on
    ASSERT_NE(burst.sheet, nullptr);
    EXPECT_EQ(burst.sheet->surface->width, 21);
    EXPECT_EQ(randomState(), g.state);
}

TEST(SparklerEmitter, ColourRowsOfNewAndFlyingSparks)
{
    randomSeed(5);
    SparklerEmitter sparkler = mainConfig();
    sparkler.setColour(2);
    sparkler.update(nullptr, 0.0);
    const int launchedAtTwo = sparkler.aliveCount;
    ASSERT_GT(launchedAtTwo, 0);
    sparkler.setColour(-1);
    sparkler.update(nullptr, 0.0);
    int rowTwo = 0;
    bool otherRows[6] = {};
    for (int i = 0; i < 2000; ++i) {
        const Particle& p = sparkler.particles[i];
        if (p.state != Alive)
            continue;
        if (p.sprite->row == 2)
            ++rowTwo;
        else
            otherRows[p.sprite->row] = true;
    }
    EXPECT_GE(rowTwo, launchedAtTwo); // sparks already flying keep their row
    int distinct = 0;
    for (bool seen : otherRows)
        distinct += seen ? 1 : 0;
    EXPECT_EQ(distinct, 5); // with colour -1 every spark picks its own row
}

TEST(SparklerEmitter, LongRunKeepsBurstsBoundedAndEndsThem)
{
    HeadlessScreen screen;
    randomSeed(1);
    auto sparkler = makeMainSparkler(&screen.device);
    sparkler->position.set(512.0, 384.0, 0.0);
    int maxBursts = 0;
    int burstsSeen = 0;
    for (int frame = 0; frame < 3000; ++frame) {
        sparkler->update(&screen.device, 0.016);
        int bursts = 0;
        for (int i = 0; i < 2000; ++i) {
            const Particle& p = sparkler->particles[i];
            if (p.burst != nullptr) {
                ++bursts;
                EXPECT_EQ(p.state, Expired);
            }
        }
        burstsSeen += bursts;
        maxBursts = std::max(maxBursts, bursts);
        if (frame % 10 == 0) {
            screen.device.clear(0);
            sparkler->render(&screen.device);
        }
    }
    EXPECT_GT(burstsSeen, 0);
    // A burst lives a fraction of a second; with about one new burst per frame the number alive
    // at once stays small.
    EXPECT_LT(maxBursts, 60);
}
