// Sound through a loopback device: what the classes make OpenAL play is rendered at 44100 Hz
// and measured. The waves are written by the tests into a temporary directory: noise, whose
// start is recognisable anywhere, so a restart can be told from playing on.
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

namespace {

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

} // namespace

// ---- Loading --------------------------------------------------------------------------------

TEST(SoundLoader, ReadsMonoAndStereoSixteenBitWaves)
{
    TempDir dir;
    SoundLoader loader;
    std::string error;
    writeFile(dir / "mono.wav", waveImage(1, 16, 22050, pcm16(noise(1000, 1))));
    writeFile(dir / "stereo.wav", waveImage(2, 16, 44100, pcm16(noise(2 * 700, 2))));
    auto mono = loader.loadObjectFromFile((dir / "mono.wav").c_str(), error);
    ASSERT_NE(mono, nullptr) << error;
    EXPECT_EQ(mono->channels(), 1);
    EXPECT_EQ(mono->frames(), 1000);
    EXPECT_EQ(mono->path(), (dir / "mono.wav").string());
    auto stereo = loader.loadObjectFromFile((dir / "stereo.wav").c_str(), error);
    ASSERT_NE(stereo, nullptr) << error;
    EXPECT_EQ(stereo->channels(), 2);
    EXPECT_EQ(stereo->frames(), 700);
}

TEST(SoundLoader, MissingFileNamesTheFile)
{
    TempDir dir;
    SoundLoader loader;
    std::string error;
    const std::string name = (dir / "Nowhere.wav").string();
    EXPECT_EQ(loader.loadObjectFromFile(name.c_str(), error), nullptr);
    EXPECT_NE(error.find("Nowhere.wav"), std::string::npos) << error;
    EXPECT_NE(error.find("not found"), std::string::npos) << error;

    error.clear();
    EXPECT_EQ(loader.loadObjectFromFile("NoSuchSparklerSound.wav", error), nullptr);
    EXPECT_NE(error.find("NoSuchSparklerSound.wav"), std::string::npos) << error;
    error.clear();
    EXPECT_EQ(loader.loadObjectFromFile(dir.path().c_str(), error), nullptr) << "a directory is no wave";
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_EQ(loader.loadObjectFromFile(nullptr, error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(SoundLoader, GarbageIsNotAWave)
{
    TempDir dir;
    SoundLoader loader;
    const std::pair<const char*, std::string> files[] = {
        {"empty.wav", ""},
        {"text.wav", "this is not a sound at all, just some words in a file\n"},
        {"bitmap.wav", std::string("BM") + std::string(200, '\x11')},
        {"riffjunk.wav", std::string("RIFF\x10\0\0\0JUNKJUNKJUNKJUNK", 24)},
    };
    for (const auto& [name, bytes] : files) {
        writeFile(dir / name, bytes);
        std::string error;
        EXPECT_EQ(loader.loadObjectFromFile((dir / name).c_str(), error), nullptr) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_NE(error.find("not a wave"), std::string::npos) << error;
    }
}

TEST(SoundLoader, RejectsWhatCannotBePlayed)
{
    TempDir dir;
    SoundLoader loader;
    std::string error;
    writeFile(dir / "three.wav", waveImage(3, 16, 44100, pcm16(noise(3 * 100, 3))));
    EXPECT_EQ(loader.loadObjectFromFile((dir / "three.wav").c_str(), error), nullptr);
    EXPECT_NE(error.find("three.wav"), std::string::npos) << error;
    EXPECT_NE(error.find("channels"), std::string::npos) << error;

    error.clear();
    writeFile(dir / "nothing.wav", waveImage(1, 16, 44100, ""));
    EXPECT_EQ(loader.loadObjectFromFile((dir / "nothing.wav").c_str(), error), nullptr);
    EXPECT_NE(error.find("nothing.wav"), std::string::npos) << error;
}

TEST(SoundLoader, CutFilesNeverCrashAndNeverReadPastTheirEnd)
{
    TempDir dir;
    SoundLoader loader;
    const std::string whole = waveImage(2, 16, 44100, pcm16(noise(2 * 500, 4)));
    for (std::size_t length = 0; length < whole.size(); length += (length < 64 ? 1 : 97)) {
        const std::string name = "cut" + std::to_string(length) + ".wav";
        writeFile(dir / name, whole.substr(0, length));
        std::string error;
        auto segment = loader.loadObjectFromFile((dir / name).c_str(), error);
        if (segment == nullptr) {
            EXPECT_NE(error.find(name), std::string::npos) << error;
        } else {
            // A loader that keeps what is there may only keep whole frames that were in the file.
            EXPECT_GT(segment->frames(), 0);
            EXPECT_LE(static_cast<std::size_t>(segment->frames()) * 4, length > 44 ? length - 44 : 0) << name;
        }
    }
    // Header lengths that lie about the data that follows.
    std::string lying = whole;
    lying[40] = '\xFF';
    lying[41] = '\xFF';
    lying[42] = '\xFF';
    lying[43] = '\x7F';
    writeFile(dir / "lying.wav", lying);
    std::string error;
    auto segment = loader.loadObjectFromFile((dir / "lying.wav").c_str(), error);
    if (segment != nullptr)
        EXPECT_LE(segment->frames(), 500);
    else
        EXPECT_NE(error.find("lying.wav"), std::string::npos) << error;
}

TEST(SoundLoader, FindsABareNameInTheWorkingDirectoryThenBesideTheProgram)
{
    TempDir dir;
    TempDir other;
    SoundLoader loader;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const std::string name = "sparkler-loader-test-" + std::to_string(::getpid()) + ".wav";
    const fs::path beside = fs::read_symlink("/proc/self/exe").parent_path() / name;

    writeFile(dir / name, waveImage(1, 16, 44100, pcm16(noise(300, 5))));
    writeFile(beside, waveImage(1, 16, 44100, pcm16(noise(200, 5))));
    std::string error;
    auto here = loader.loadObjectFromFile(name.c_str(), error);
    ASSERT_NE(here, nullptr) << error;
    EXPECT_EQ(here->frames(), 300) << "the working directory comes first";

    fs::current_path(other.path());
    auto there = loader.loadObjectFromFile(name.c_str(), error);
    std::error_code ec;
    fs::remove(beside, ec);
    fs::current_path(previous);
    ASSERT_NE(there, nullptr) << error;
    EXPECT_EQ(there->frames(), 200);
    EXPECT_EQ(fs::path(there->path()), beside);
}

// ---- Devices --------------------------------------------------------------------------------

TEST(SoundDevice, LoopbackIsSilentUntilSomethingPlays)
{
    std::string error;
    auto device = AudioDevice::openLoopback(kRate, error);
    if (device == nullptr)
        GTEST_SKIP() << "OpenAL cannot open a loopback device here: " << error;
    std::vector<std::int16_t> out(6, 123);
    ASSERT_TRUE(device->render(kBlock, out));
    ASSERT_EQ(out.size(), 6u + 2 * kBlock) << "render appends";
    EXPECT_EQ(out[0], 123);
    EXPECT_LE(peak(std::vector<std::int16_t>(out.begin() + 6, out.end())), kSilentPeak);
    EXPECT_FALSE(device->render(0, out));
    EXPECT_FALSE(device->render(-5, out));

    auto bad = AudioDevice::openLoopback(0, error);
    EXPECT_EQ(bad, nullptr);
    EXPECT_FALSE(error.empty());
}

// The default output opens, or fails with a reason, without hanging when there is no real
// device. Run in a fresh process so the driver choice takes effect.
TEST(SoundDevice, OutputOpensOrFailsQuicklyWithoutARealDevice)
{
    if (std::getenv("SPARKLER_SOUND_OUTPUT_CHILD") != nullptr) {
        std::string error;
        auto device = AudioDevice::openOutput(error);
        if (device == nullptr) {
            EXPECT_FALSE(error.empty());
        } else {
            std::vector<std::int16_t> out;
            EXPECT_FALSE(device->isLoopback());
            EXPECT_FALSE(device->render(kBlock, out)) << "only a loopback device renders on demand";
            SoundPerformance performance;
            EXPECT_EQ(performance.initAudio(device.get()), 0);
            EXPECT_NE(performance.createStandardAudioPath(), nullptr);
        }
        return;
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "ALSOFT_DRIVERS=", 15) != 0)
            env.emplace_back(*e);
    env.emplace_back("ALSOFT_DRIVERS=null");
    env.emplace_back("SPARKLER_SOUND_OUTPUT_CHILD=1");
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=SoundDevice.OutputOpensOrFailsQuicklyWithoutARealDevice";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0
           && std::chrono::steady_clock::now() - start < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "opening the output device hung";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's checks failed";
    EXPECT_LT(seconds, 20.0);
}

// ---- Playing --------------------------------------------------------------------------------

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
