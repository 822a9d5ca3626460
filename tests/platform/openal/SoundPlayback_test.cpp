// Playing through a performance on a loopback device: loops, repeats, stop and restart, one
// segment at a time, the default source's channels, 8-bit and float waves.
#include "SoundFixtures.hpp"

using namespace soundtest;
using namespace testwave;

TEST_F(SoundPlayback, CallsWithoutWhatTheyNeedDoNothing)
{
    SoundPerformance unbound;
    EXPECT_LT(unbound.initAudio(nullptr), 0);
    EXPECT_EQ(unbound.createStandardAudioPath(), nullptr);
    auto segment = loopingMono(noise(2000, 8));
    ASSERT_NE(segment, nullptr);
    EXPECT_LT(unbound.playSegmentEx(segment.get(), nullptr), 0);
    EXPECT_LT(unbound.stop(segment.get()), 0);
    EXPECT_LT(segment->download(unbound), 0);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0) << "a failed download keeps the good one";
    EXPECT_GT(peak(render(kBlock)), 1000);
    ASSERT_EQ(performance->stop(segment.get()), 0);
    EXPECT_LT(performance->playSegmentEx(nullptr, nullptr), 0);
    EXPECT_LT(performance->stop(nullptr), 0);
    EXPECT_LT(performance->initAudio(device.get()), 0) << "a performance is bound once";

    std::string error;
    writeFile(dir / "late.wav", waveImage(1, 16, kRate, pcm16(noise(2000, 9))));
    auto notDownloaded = loader.loadObjectFromFile((dir / "late.wav").c_str(), error);
    ASSERT_NE(notDownloaded, nullptr) << error;
    EXPECT_LT(performance->playSegmentEx(notDownloaded.get(), nullptr), 0);

    // A path belongs to the performance that made it.
    SoundPerformance second;
    ASSERT_EQ(second.initAudio(device.get()), 0);
    auto foreignPath = second.createStandardAudioPath();
    ASSERT_NE(foreignPath, nullptr);
    EXPECT_LT(performance->playSegmentEx(segment.get(), foreignPath.get()), 0);
    EXPECT_LE(peak(render(kBlock)), kSilentPeak);
}

TEST_F(SoundPlayback, LoopsWithoutEnd)
{
    const auto signal = noise(kRate / 4, 10);
    auto segment = loopingMono(signal);
    ASSERT_NE(segment, nullptr);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    const auto first = render(kBlock);
    EXPECT_GT(correlation(channel(first, 0), signal, 0), 0.99);
    // Twenty times the wave's length, and every block still sounds.
    std::size_t played = kBlock;
    for (int i = 0; i < 20 * (kRate / 4) / kBlock; ++i) {
        const auto block = render(kBlock);
        ASSERT_GT(rms(channel(block, 0)), 1000.0) << "silent after " << played << " frames";
        ASSERT_GT(correlation(channel(block, 0), signal, played % signal.size()), 0.99)
            << "not where the loop should be after " << played << " frames";
        played += kBlock;
    }
}

TEST_F(SoundPlayback, RepeatCountsPlayTheWaveThatManyTimesMore)
{
    const int length = kRate / 10;
    auto segment = loopingMono(noise(length, 11));
    ASSERT_NE(segment, nullptr);
    segment->setRepeats(0);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    auto once = render(length + kBlock);
    EXPECT_GT(rms(channel(std::vector<std::int16_t>(once.begin(), once.begin() + 2 * (length - 64)), 0)), 1000.0);
    EXPECT_LE(peak(std::vector<std::int16_t>(once.begin() + 2 * (length + 64), once.end())), kSilentPeak);

    segment->setRepeats(2);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    auto thrice = render(3 * length + kBlock);
    EXPECT_GT(
        rms(channel(
            std::vector<std::int16_t>(thrice.begin() + 2 * (2 * length), thrice.begin() + 2 * (3 * length - 64)), 0)),
        1000.0);
    EXPECT_LE(peak(std::vector<std::int16_t>(thrice.begin() + 2 * (3 * length + 64), thrice.end())), kSilentPeak);
}

TEST_F(SoundPlayback, StopSilencesFromTheNextBlockAndPlayRestartsFromTheFirstSample)
{
    const auto signal = noise(kRate / 2, 12);
    auto segment = loopingMono(signal);
    ASSERT_NE(segment, nullptr);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    render(5 * kBlock + 300);
    EXPECT_EQ(performance->stop(segment.get()), 0);
    EXPECT_LE(peak(render(kBlock)), kSilentPeak);
    EXPECT_LE(peak(render(8 * kBlock)), kSilentPeak) << "stays stopped";

    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    const auto left = channel(render(2 * kBlock), 0);
    EXPECT_GT(correlation(left, signal, 0), 0.99) << "starts again at its first sample";
    EXPECT_LT(std::abs(correlation(left, signal, 5 * kBlock + 300)), 0.1) << "not where it stopped";
    EXPECT_EQ(performance->stop(segment.get()), 0);
    EXPECT_EQ(performance->stop(segment.get()), 0) << "stopping what is stopped is fine";
    EXPECT_LE(peak(render(kBlock)), kSilentPeak);
}

TEST_F(SoundPlayback, PlayingAgainWhileItPlaysRestartsIt)
{
    const auto signal = noise(kRate, 13);
    auto segment = loopingMono(signal);
    ASSERT_NE(segment, nullptr);
    auto path = performance->createStandardAudioPath();
    ASSERT_NE(path, nullptr);
    for (SoundAudioPath* on : {static_cast<SoundAudioPath*>(nullptr), path.get()}) {
        ASSERT_EQ(performance->playSegmentEx(segment.get(), on), 0);
        render(7 * kBlock);
        ASSERT_EQ(performance->playSegmentEx(segment.get(), on), 0);
        const auto left = channel(render(2 * kBlock), 0);
        EXPECT_GT(correlation(left, signal, 0), 0.99) << (on ? "on the path" : "on the default source");
        EXPECT_LT(std::abs(correlation(left, signal, 7 * kBlock)), 0.1);
    }
}

TEST_F(SoundPlayback, APerformancePlaysOneSegmentAtATime)
{
    const auto first = noise(kRate, 14);
    const auto second = noise(kRate, 15);
    auto a = loopingMono(first, "a.wav");
    auto b = loopingMono(second, "b.wav");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    auto path = performance->createStandardAudioPath();
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(performance->playSegmentEx(a.get(), nullptr), 0);
    render(kBlock);
    ASSERT_EQ(performance->playSegmentEx(b.get(), path.get()), 0);
    const auto left = channel(render(2 * kBlock), 0);
    EXPECT_GT(correlation(left, second, 0), 0.99) << "the new segment replaces the old one";
    EXPECT_LT(std::abs(correlation(left, first, kBlock)), 0.1);

    // Stopping a segment this performance does not play leaves its own alone.
    EXPECT_EQ(performance->stop(a.get()), 0);
    EXPECT_GT(correlation(channel(render(kBlock), 0), second, 2 * kBlock), 0.99);
}

TEST_F(SoundPlayback, StopActsOnlyOnItsOwnPerformance)
{
    const auto signal = noise(kRate, 16);
    auto segment = loopingMono(signal);
    ASSERT_NE(segment, nullptr);
    SoundPerformance other;
    ASSERT_EQ(other.initAudio(device.get()), 0);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    EXPECT_EQ(other.stop(segment.get()), 0);
    EXPECT_GT(correlation(channel(render(kBlock), 0), signal, 0), 0.99);

    // Two performances start the same segment together; each stop silences only its own.
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    ASSERT_EQ(other.playSegmentEx(segment.get(), nullptr), 0);
    const double both = rms(channel(render(kBlock), 0));
    EXPECT_EQ(performance->stop(segment.get()), 0);
    const auto left = channel(render(kBlock), 0);
    EXPECT_NEAR(rms(left) / both, 0.5, 0.01) << "two copies in step sum to twice one";
    EXPECT_GT(correlation(left, signal, kBlock), 0.99) << "the other plays on undisturbed";
    EXPECT_EQ(other.stop(segment.get()), 0);
    EXPECT_LE(peak(render(kBlock)), kSilentPeak);
}

TEST_F(SoundPlayback, DefaultSourceKeepsAStereoWavesChannels)
{
    const auto signal = noise(kRate / 2, 17);
    const std::vector<std::int16_t> quiet(signal.size(), 0);
    auto leftOnly = load("left.wav", waveImage(2, 16, kRate, pcm16(interleave(signal, quiet))));
    auto rightOnly = load("right.wav", waveImage(2, 16, kRate, pcm16(interleave(quiet, signal))));
    ASSERT_NE(leftOnly, nullptr);
    ASSERT_NE(rightOnly, nullptr);
    ASSERT_EQ(leftOnly->download(*performance), 0);
    ASSERT_EQ(rightOnly->download(*performance), 0);

    ASSERT_EQ(performance->playSegmentEx(leftOnly.get(), nullptr), 0);
    auto block = render(2 * kBlock);
    EXPECT_GT(correlation(channel(block, 0), signal, 0), 0.99);
    EXPECT_LT(rms(channel(block, 1)), 0.01 * rms(channel(block, 0))) << "nothing leaks to the right";
    EXPECT_GT(rms(channel(block, 0)), 0.9 * rms(std::vector<double>(signal.begin(), signal.end())))
        << "played at the wave's own level";

    ASSERT_EQ(performance->playSegmentEx(rightOnly.get(), nullptr), 0);
    block = render(2 * kBlock);
    EXPECT_GT(correlation(channel(block, 1), signal, 0), 0.99);
    EXPECT_LT(rms(channel(block, 0)), 0.01 * rms(channel(block, 1))) << "nothing leaks to the left";
}

TEST_F(SoundPlayback, DefaultSourcePlaysMonoInTheMiddle)
{
    auto segment = loopingMono(noise(kRate, 18));
    ASSERT_NE(segment, nullptr);
    ASSERT_EQ(performance->playSegmentEx(segment.get(), nullptr), 0);
    const auto block = render(8 * kBlock);
    const double left = rms(channel(block, 0));
    EXPECT_GT(left, 1000.0);
    EXPECT_NEAR(rms(channel(block, 1)) / left, 1.0, 0.01);
}

TEST_F(SoundPlayback, EightBitAndFloatWavesPlayLikeSixteenBitOnes)
{
    const auto signal = noise(kRate / 2, 19);
    std::string bytes8, bytesFloat;
    for (std::int16_t v : signal) {
        bytes8 += static_cast<char>(static_cast<std::uint8_t>((v >> 8) + 128));
        float f = static_cast<float>(v) / 32768.0f;
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, 4);
        for (int shift = 0; shift < 32; shift += 8)
            bytesFloat += static_cast<char>((bits >> shift) & 0xFF);
    }
    auto eight = load("eight.wav", waveImage(1, 8, kRate, bytes8));
    auto floats = load("float.wav", waveImage(1, 32, kRate, bytesFloat, 3));
    ASSERT_NE(eight, nullptr);
    ASSERT_NE(floats, nullptr);
    for (SoundSegment* segment : {eight.get(), floats.get()}) {
        EXPECT_EQ(segment->frames(), static_cast<int>(signal.size()));
        ASSERT_EQ(segment->download(*performance), 0);
        ASSERT_EQ(performance->playSegmentEx(segment, nullptr), 0);
        const auto left = channel(render(2 * kBlock), 0);
        EXPECT_GT(correlation(left, signal, 0), 0.99) << segment->path();
        EXPECT_GT(rms(left), 1000.0) << segment->path();
    }
}

// ---- Placing --------------------------------------------------------------------------------
