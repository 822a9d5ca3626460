// Loading waves (formats, missing and broken files, the file search) and opening devices.
#include "SoundFixtures.hpp"

#include <AL/alc.h>
#include <AL/alext.h>

using namespace soundtest;
using namespace testwave;

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
            // The speakers' mix is the rendered one: no limiter reshapes its peaks.
            ALCdevice* opened = alcGetContextsDevice(alcGetCurrentContext());
            ASSERT_NE(opened, nullptr);
            if (alcIsExtensionPresent(opened, "ALC_SOFT_output_limiter") == ALC_TRUE) {
                ALCint limiting = -1;
                alcGetIntegerv(opened, ALC_OUTPUT_LIMITER_SOFT, 1, &limiting);
                EXPECT_EQ(limiting, ALC_FALSE);
            }
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
