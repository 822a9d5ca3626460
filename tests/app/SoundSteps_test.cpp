// The application's sounds through a loopback device: where the crackle sits, what the keys do
// to it, and what a missing file or device leaves. The waves are tones written by the test
// (the crackle 441 Hz mono, the background 2205 Hz stereo) so each can be measured apart.
#include "support/AppHarness.hpp"
#include "support/Waves.hpp"

#include <gtest/gtest.h>

#include <complex>

using namespace testwave;

namespace {

constexpr int kCrackleHz = 441;
constexpr int kBackgroundHz = 2205;
constexpr int kBlock = 4410; // 0.1 s: 44.1 crackle periods, so playing on shifts its phase
constexpr std::size_t kMeasured = 4400; // whole periods of both tones: neither leaks into the other

// The component of one frequency in a channel: its amplitude and phase.
std::complex<double> component(const std::vector<double>& x, int hertz)
{
    std::complex<double> sum;
    const std::size_t count = std::min(x.size(), kMeasured);
    for (std::size_t i = 0; i < count; ++i) {
        const double angle = 2.0 * std::numbers::pi * hertz * static_cast<double>(i) / kRate;
        sum += x[i] * std::complex<double>(std::cos(angle), -std::sin(angle));
    }
    return sum * (2.0 / static_cast<double>(count));
}

struct Heard {
    double crackleLeft = 0.0;
    double crackleRight = 0.0;
    double crackleSum = 0.0; // amplitude of left + right
    double cracklePhase = 0.0; // of left + right
    double background = 0.0; // amplitude of left + right
};

// Changes the working directory for a test and puts it back afterwards.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : previous(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(previous); }

private:
    fs::path previous;
};

class ApplicationSound : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        audio = AudioDevice::openLoopback(kRate, error);
        if (audio == nullptr)
            GTEST_SKIP() << "no loopback sound device: " << error;
    }

    void writeWaves(bool crackle, bool background)
    {
        if (crackle)
            writeFile(dir / "Sparkler.wav", waveImage(1, 16, kRate, pcm16(tone(kRate, kCrackleHz))));
        if (background) {
            const auto left = tone(kRate, kBackgroundHz, 6000.0);
            writeFile(dir / "BackgroundSound.wav", waveImage(2, 16, kRate, pcm16(interleave(left, left))));
        }
    }

    void start(bool crackle = true, bool background = true)
    {
        writeWaves(crackle, background);
        cwd = std::make_unique<WorkingDirectory>(dir.path());
        harness = std::make_unique<AppHarness>(1, audio.get());
    }

    void TearDown() override
    {
        harness.reset();
        cwd.reset();
    }

    Heard listen()
    {
        std::vector<std::int16_t> block;
        audio->render(kBlock, block);
        const std::vector<double> left = channel(block, 0);
        const std::vector<double> right = channel(block, 1);
        std::vector<double> both(left.size());
        for (std::size_t i = 0; i < both.size(); ++i)
            both[i] = left[i] + right[i];
        Heard heard;
        heard.crackleLeft = std::abs(component(left, kCrackleHz));
        heard.crackleRight = std::abs(component(right, kCrackleHz));
        const std::complex<double> sum = component(both, kCrackleHz);
        heard.crackleSum = std::abs(sum);
        heard.cracklePhase = std::arg(sum);
        heard.background = std::abs(component(both, kBackgroundHz));
        return heard;
    }

    // Moves the sparkler to a total horizontal offset and lets the placement settle.
    Heard listenAt(std::int32_t totalX)
    {
        harness->mouse.move(totalX - harness->app->mouseTotalX, 0);
        harness->frame();
        listen();
        return listen();
    }

    static double phaseDistance(double a, double b) { return std::abs(std::remainder(a - b, 2.0 * std::numbers::pi)); }

    std::unique_ptr<AudioDevice> audio;
    TempDir dir;
    std::unique_ptr<WorkingDirectory> cwd;
    std::unique_ptr<AppHarness> harness;
};

} // namespace

TEST_F(ApplicationSound, CrackleIsCentredAtStartBesideTheBackground)
{
    start();
    ASSERT_NE(harness->app->sparklerBuffer3D, nullptr);
    harness->frame(0.0f);
    const Heard heard = listen();
    EXPECT_GT(heard.crackleLeft, 1000.0);
    EXPECT_NEAR(heard.crackleLeft / heard.crackleRight, 1.0, 0.01);
    EXPECT_GT(heard.background, 1000.0);
}

TEST_F(ApplicationSound, CrackleFollowsTheSparklerAndReverses)
{
    start();
    const Heard right = listenAt(600);
    EXPECT_GT(right.crackleRight, 3.0 * right.crackleLeft);
    harness->key('R');
    harness->frame();
    listen();
    const Heard mirrored = listen();
    EXPECT_GT(mirrored.crackleLeft, 3.0 * mirrored.crackleRight);
    EXPECT_NEAR(mirrored.crackleLeft, right.crackleRight, right.crackleRight * 0.01);
    const Heard left = listenAt(-600);
    EXPECT_GT(left.crackleRight, 3.0 * left.crackleLeft); // -600 mirrored is on the right
}

TEST_F(ApplicationSound, FullLevelWithinTheMinimumDistanceAndHalfAtTwiceTheDistance)
{
    start();
    const Heard centre = listenAt(0);
    const Heard within = listenAt(600); // 974 units away: still full level
    EXPECT_NEAR(within.crackleSum / centre.crackleSum, 1.0, 0.01);
    const Heard far = listenAt(20000);
    const Heard farther = listenAt(40000); // nearly along the same direction, twice as far
    EXPECT_NEAR(farther.crackleSum / far.crackleSum, 0.5, 0.01);
    EXPECT_LT(far.crackleSum, centre.crackleSum * 0.06); // 1024 / 20015 of the full level
    EXPECT_NEAR(farther.background / centre.background, 1.0, 0.02); // the background does not move
}

TEST_F(ApplicationSound, KeyKStopsTheCrackleAndRestartsItFromItsFirstSample)
{
    start();
    harness->frame(0.0f);
    const Heard first = listen(); // the crackle's first block
    listen();
    listen();
    harness->key('K');
    harness->frame();
    const Heard stopped = listen();
    EXPECT_LT(stopped.crackleSum, first.crackleSum * 0.01);
    EXPECT_NEAR(stopped.background, first.background, first.background * 0.02);
    listen();
    harness->key('K');
    harness->frame();
    const Heard again = listen();
    EXPECT_NEAR(again.crackleSum, first.crackleSum, first.crackleSum * 0.02);
    EXPECT_LT(phaseDistance(again.cracklePhase, first.cracklePhase), 0.05);
}

TEST_F(ApplicationSound, KeySRestartsThePlayingCrackle)
{
    start();
    harness->frame(0.0f);
    const Heard first = listen();
    const Heard second = listen();
    EXPECT_GT(phaseDistance(second.cracklePhase, first.cracklePhase), 0.3); // playing on
    harness->key('S'); // smoke off: the crackle plays on
    harness->frame();
    const Heard on = listen();
    EXPECT_GT(phaseDistance(on.cracklePhase, first.cracklePhase), 0.3);
    harness->key('S'); // smoke on: the crackle starts again
    harness->frame();
    const Heard restarted = listen();
    EXPECT_LT(phaseDistance(restarted.cracklePhase, first.cracklePhase), 0.05);
    EXPECT_NEAR(restarted.background, first.background, first.background * 0.02);
}

TEST_F(ApplicationSound, MissingCrackleGivesSilence)
{
    start(false, true);
    EXPECT_EQ(harness->app->sparklerSegment, nullptr);
    EXPECT_EQ(harness->app->backgroundSegment, nullptr); // not even tried
    harness->frame(0.0f);
    harness->key('K');
    harness->key('K');
    harness->frame();
    std::vector<std::int16_t> block;
    audio->render(kBlock, block);
    EXPECT_LE(peak(block), 4);
}

TEST_F(ApplicationSound, MissingBackgroundLeavesTheCrackleAlone)
{
    start(true, false);
    harness->frame(0.0f);
    const Heard heard = listen();
    EXPECT_GT(heard.crackleSum, 1000.0);
    EXPECT_LT(heard.background, 20.0);
}

TEST(ApplicationWithoutSound, RunsWithEverySoundFieldEmpty)
{
    AppHarness h(1, nullptr);
    EXPECT_EQ(h.app->startUpResult, 0);
    EXPECT_EQ(h.app->sparklerPerformance, nullptr);
    EXPECT_EQ(h.app->sparklerBuffer3D, nullptr);
    h.key('K');
    h.key('S'); // smoke off
    h.key('S'); // smoke on, and the sparkler with it
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(h.frame(), 0);
    EXPECT_TRUE(h.app->sparklerOn);
}
