// The 3D path: left and right follow the offset, the level falls with distance beyond the
// minimum, and objects released in any order (or outliving their device) stay harmless.
#include "SoundFixtures.hpp"

using namespace soundtest;
using namespace testwave;

TEST_F(SoundPlacement, SidesFollowTheHorizontalOffset)
{
    const Levels centre = at(0.0f, 768.0f);
    const Levels right = at(600.0f, 768.0f);
    const Levels left = at(-600.0f, 768.0f);
    RecordProperty("x0", std::to_string(centre.left) + "/" + std::to_string(centre.right));
    RecordProperty("x600", std::to_string(right.left) + "/" + std::to_string(right.right));
    RecordProperty("x-600", std::to_string(left.left) + "/" + std::to_string(left.right));
    EXPECT_GT(centre.left, 1000.0);
    EXPECT_NEAR(centre.right / centre.left, 1.0, 0.01) << "centred";
    EXPECT_GT(right.right, 2.0 * right.left) << "louder on the right";
    EXPECT_GT(left.left, 2.0 * left.right) << "louder on the left";
    EXPECT_NEAR(left.left / right.right, 1.0, 0.01) << "mirror images";
    EXPECT_NEAR(left.right / right.left, 1.0, 0.01) << "mirror images";
    // Farther out to the side, farther to the right.
    const Levels farther = at(300.0f, 768.0f);
    EXPECT_GT(farther.right / farther.left, centre.right / centre.left);
    EXPECT_LT(farther.right / farther.left, right.right / right.left);
}

TEST_F(SoundPlacement, FullLevelWithinTheMinimumDistance)
{
    // Anywhere within 1024 the distance takes nothing off: halfway in, in the same direction,
    // sounds exactly the same.
    for (float x : {0.0f, 300.0f, 600.0f, -600.0f, 677.0f}) {
        const Levels there = at(x, 768.0f);
        const Levels halfway = at(x / 2.0f, 384.0f);
        EXPECT_NEAR(there.left / halfway.left, 1.0, 0.01) << "x = " << x;
        EXPECT_NEAR(there.right / halfway.right, 1.0, 0.01) << "x = " << x;
    }
    // OpenAL Soft pans plain stereo by sharing one amplitude between the two sides, so the
    // program's line sounds as loud at x = 600 as in the middle.
    const Levels centre = at(0.0f, 768.0f);
    const Levels side = at(600.0f, 768.0f);
    RecordProperty("sum0", std::to_string(centre.left + centre.right));
    RecordProperty("sum600", std::to_string(side.left + side.right));
    EXPECT_NEAR((side.left + side.right) / (centre.left + centre.right), 1.0, 0.01);
}

TEST_F(SoundPlacement, BeyondTheMinimumDistanceTheLevelFallsWithDistance)
{
    // Along one direction, so only the distance changes.
    const float ux = 0.6f, uy = 0.8f;
    const Levels within = at(1000.0f * ux, 1000.0f * uy);
    const Levels near = at(1200.0f * ux, 1200.0f * uy);
    const Levels far = at(2400.0f * ux, 2400.0f * uy);
    RecordProperty("ratio2400to1200", std::to_string(far.total() / near.total()));
    EXPECT_NEAR(far.left / near.left, 0.5, 0.01) << "twice the distance, half the level";
    EXPECT_NEAR(far.right / near.right, 0.5, 0.01) << "twice the distance, half the level";
    EXPECT_NEAR(near.total() / within.total(), 1024.0 / 1200.0, 0.01);
    // x = 1000 on the program's line lies 1261 away: 1024/1261 of the level halfway in.
    const Levels program = at(1000.0f, 768.0f);
    const Levels halfway = at(500.0f, 384.0f);
    EXPECT_NEAR(program.total() / halfway.total(), 1024.0 / std::sqrt(1000.0 * 1000.0 + 768.0 * 768.0), 0.01);
}

TEST_F(SoundPlacement, AStereoWaveIsPlacedAsOneChannel)
{
    // Sound on the left channel only: placed, it is mixed to one channel and then panned.
    const auto signal = tone(kRate, 441);
    const std::vector<std::int16_t> quiet(signal.size(), 0);
    auto stereo = load("leftonly.wav", waveImage(2, 16, kRate, pcm16(interleave(signal, quiet))));
    ASSERT_NE(stereo, nullptr);
    ASSERT_EQ(stereo->download(*performance), 0);
    stereo->setRepeats(-1);
    measured = stereo.get();
    const Levels centre = at(0.0f, 768.0f);
    EXPECT_GT(centre.left, 1000.0);
    EXPECT_NEAR(centre.right / centre.left, 1.0, 0.01) << "one channel, in the middle";
    const Levels right = at(600.0f, 768.0f);
    EXPECT_GT(right.right, 2.0 * right.left) << "one channel, placed to the right";
    // Half of the left channel goes into the mix: half the level of the mono tone.
    measured = segment.get();
    const Levels mono = at(0.0f, 768.0f);
    EXPECT_NEAR(centre.left / mono.left, 0.5, 0.01);
}

TEST_F(SoundPlacement, ABufferOutlivingItsPathDoesNothing)
{
    path.reset();
    EXPECT_LE(peak(render(kBlock)), kSilentPeak) << "the path's source went with it";
    buffer->setMinDistance(10.0f);
    buffer->setModeHeadRelative();
    buffer->setPosition(1.0f, 2.0f, 3.0f);
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
    // A new path may reuse the old source's name; the old buffer must not move it.
    auto fresh = performance->createStandardAudioPath();
    ASSERT_NE(fresh, nullptr);
    auto freshBuffer = fresh->getBuffer3D();
    ASSERT_NE(freshBuffer, nullptr);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), fresh.get()), 0);
    freshBuffer->setMinDistance(1024.0f);
    freshBuffer->setModeHeadRelative();
    freshBuffer->setPosition(0.0f, 768.0f, 0.0f);
    render(4 * kBlock);
    buffer->setPosition(5000.0f, 0.0f, 0.0f);
    render(4 * kBlock);
    const auto block = render(4 * kBlock);
    EXPECT_NEAR(rms(channel(block, 1)) / rms(channel(block, 0)), 1.0, 0.01);
}

// ---- Releasing ------------------------------------------------------------------------------

TEST_F(SoundPlacement, ReleasingAPlayingSegmentFirstIsClean)
{
    render(kBlock);
    segment.reset();
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
    EXPECT_LE(peak(render(kBlock)), kSilentPeak);
    performance.reset();
    path.reset();
    buffer.reset();
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(SoundPlacement, ReleasingInTheProgramsOrderIsClean)
{
    // Both sounds play when the program ends: performances, segments, path, then 3D buffer.
    SoundPerformance* background = new SoundPerformance();
    ASSERT_EQ(background->initAudio(device.get()), 0);
    auto backgroundSegment = loopingMono(noise(kRate, 21), "background.wav");
    ASSERT_NE(backgroundSegment, nullptr);
    ASSERT_EQ(backgroundSegment->download(*background), 0);
    ASSERT_EQ(background->playSegmentEx(backgroundSegment.get(), nullptr), 0);
    render(kBlock);
    performance.reset();
    delete background;
    EXPECT_LE(peak(render(kBlock)), kSilentPeak) << "a released performance is silent";
    backgroundSegment.reset();
    segment.reset();
    path.reset();
    buffer->setPosition(1.0f, 1.0f, 1.0f);
    buffer.reset();
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(SoundPlacement, ObjectsOutlivingTheirDeviceDoNothing)
{
    render(kBlock);
    device.reset();
    buffer->setPosition(1.0f, 2.0f, 3.0f);
    EXPECT_LT(performance->playSegmentEx(segment.get(), path.get()), 0);
    EXPECT_LT(performance->stop(segment.get()), 0);
    EXPECT_EQ(performance->createStandardAudioPath(), nullptr);
    buffer.reset();
    path.reset();
    segment.reset();
    performance.reset();

    // A new device does not inherit anything from the old one.
    std::string error;
    device = AudioDevice::openLoopback(kRate, error);
    ASSERT_NE(device, nullptr) << error;
    EXPECT_LE(peak(render(kBlock)), kSilentPeak);
}
