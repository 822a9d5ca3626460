// Fixtures of the sound tests: a loopback device rendered at 44100 Hz with a loader and a
// performance on it (SoundPlayback), and a 3D path with its buffer on top (SoundPlacement).
// The waves are written by the tests into a temporary directory: noise, whose start is
// recognisable anywhere, so a restart can be told from playing on.
#pragma once

#include "platform/SoundLoader.hpp"
#include "platform/SoundPerformance.hpp"

#include <AL/al.h>
#include <gtest/gtest.h>

#include "support/Waves.hpp"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

extern char** environ;

namespace soundtest {

namespace fs = std::filesystem;

using namespace testwave;

constexpr int kBlock = 1024;
// Dither may leave a least significant bit or two where nothing plays.
constexpr int kSilentPeak = 4;

// The loopback device, a loader and a performance on that device, and a place for waves.
class SoundPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        device = AudioDevice::openLoopback(kRate, error);
        if (device == nullptr)
            GTEST_SKIP() << "OpenAL cannot open a loopback device here: " << error;
        ASSERT_TRUE(device->isLoopback());
        ASSERT_EQ(device->sampleRate(), kRate);
        performance = std::make_unique<SoundPerformance>();
        ASSERT_EQ(performance->initAudio(device.get()), 0);
    }

    void TearDown() override
    {
        if (device != nullptr) {
            EXPECT_EQ(alGetError(), AL_NO_ERROR) << "the calls left an OpenAL error behind";
        }
    }

    std::unique_ptr<SoundSegment> load(const std::string& name, const std::string& bytes)
    {
        writeFile(dir / name, bytes);
        std::string error;
        auto segment = loader.loadObjectFromFile((dir / name).c_str(), error);
        EXPECT_NE(segment, nullptr) << error;
        return segment;
    }

    // A mono noise wave, downloaded to the fixture's performance and repeating without end.
    std::unique_ptr<SoundSegment> loopingMono(const std::vector<std::int16_t>& signal,
                                              const std::string& name = "mono.wav")
    {
        auto segment = load(name, waveImage(1, 16, kRate, pcm16(signal)));
        if (segment != nullptr) {
            EXPECT_EQ(segment->download(*performance), 0);
            segment->setRepeats(-1);
        }
        return segment;
    }

    std::vector<std::int16_t> render(int frames)
    {
        std::vector<std::int16_t> out;
        EXPECT_TRUE(device->render(frames, out));
        EXPECT_EQ(out.size(), static_cast<std::size_t>(frames) * 2);
        return out;
    }

    TempDir dir;
    SoundLoader loader;
    std::unique_ptr<AudioDevice> device;
    std::unique_ptr<SoundPerformance> performance;
};

// Left and right levels of a 3D source once it has settled at a place.
struct Levels {
    double left;
    double right;
    double total() const { return std::sqrt(left * left + right * right); }
};

class SoundPlacement : public SoundPlayback {
protected:
    void SetUp() override
    {
        SoundPlayback::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        segment = loopingMono(tone(kRate, 441));
        ASSERT_NE(segment, nullptr);
        measured = segment.get();
        path = performance->createStandardAudioPath();
        ASSERT_NE(path, nullptr);
        buffer = path->getBuffer3D();
        ASSERT_NE(buffer, nullptr);
        ASSERT_EQ(performance->playSegmentEx(segment.get(), path.get()), 0);
    }

    // Placed as the program places it, then started again so every measure covers the same
    // samples: whole periods of the tone after the gains have settled.
    Levels at(float x, float y, float z = 0.0f)
    {
        buffer->setMinDistance(1024.0f);
        buffer->setModeHeadRelative();
        buffer->setPosition(x, y, z);
        EXPECT_EQ(performance->playSegmentEx(measured, path.get()), 0);
        render(kBlock);
        const auto block = render(8100);
        return {rms(channel(block, 0)), rms(channel(block, 1))};
    }

    std::unique_ptr<SoundSegment> segment;
    SoundSegment* measured = nullptr; // what at() plays
    std::unique_ptr<SoundAudioPath> path;
    std::unique_ptr<Sound3DBuffer> buffer;
};

} // namespace soundtest
