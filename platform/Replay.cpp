// Replay: the headless run of the whole application, frame by frame; see the header.
#include "platform/Replay.hpp"

#include "app/Application.hpp"
#include "platform/FrameTimer.hpp"
#include "platform/HeadlessDisplay.hpp"
#include "platform/HeadlessMouse.hpp"
#include "platform/HeadlessWindow.hpp"
#include "platform/MainWindow.hpp"
#include "platform/PngWriter.hpp"
#include "platform/Sound.hpp"
#include "platform/VirtualClock.hpp"
#include "sim/Random.hpp"

#include <cstdio>
#include <fstream>
#include <memory>

std::uint64_t frameHash(const std::uint16_t* pixels, std::size_t count)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= static_cast<std::uint8_t>(pixels[i] & 0xFF);
        hash *= 0x100000001b3ull;
        hash ^= static_cast<std::uint8_t>(pixels[i] >> 8);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::uint64_t runMilliseconds(const ReplayOptions& options)
{
    if (options.frames <= 1)
        return 0;
    std::uint64_t total = static_cast<std::uint64_t>(options.frames - 1) * options.dtMs;
    for (const auto& [frame, ms] : options.script.dtMs) {
        if (frame > 0 && frame < options.frames)
            total = total - options.dtMs + ms;
    }
    return total;
}

std::string traceLine(std::int64_t frame, float dt, const Application& app, std::uint64_t shownFrameHash)
{
    int bursts = 0;
    int burstSparks = 0;
    const SparklerEmitter& sparkler = *app.sparkler;
    for (int i = 0; i < sparkler.capacity; ++i) {
        if (const ParticleEmitter* burst = sparkler.particles[i].burst.get()) {
            ++bursts;
            burstSparks += burst->aliveCount;
        }
    }
    char line[512];
    std::snprintf(line, sizeof line,
                  "{\"frame\":%lld,\"dt\":%.9g,\"rng\":%u,\"sparks\":%d,\"smoke\":%d,\"bursts\":%d,\"burstSparks\":%d,"
                  "\"colour\":%d,\"gravityY\":%.17g,\"helpSlide\":%d,\"fb\":\"%016llx\"}",
                  static_cast<long long>(frame), static_cast<double>(dt), static_cast<unsigned>(randomState()),
                  sparkler.aliveCount, app.smoke->aliveCount, bursts, burstSparks, sparkler.colour, sparkler.gravity.y,
                  static_cast<int>(app.helpSlide), static_cast<unsigned long long>(shownFrameHash));
    return line;
}

namespace {

constexpr int kWavRate = 44100;

bool writeFrame(const HeadlessDisplay& display, const std::string& path, std::string& error)
{
    if (display.frame().empty() || !writePng(path.c_str(), display.frame().data(), display.frameWidth(), display.frameHeight())) {
        error = path + ": the frame could not be written as a PNG";
        return false;
    }
    return true;
}

// A 16-bit stereo PCM wave file of interleaved samples.
bool writeWav(const std::string& path, const std::vector<std::int16_t>& samples, int rate, std::string& error)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    auto put32 = [&](std::uint32_t v) {
        const char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                               static_cast<char>(v >> 24)};
        file.write(bytes, 4);
    };
    auto put16 = [&](std::uint16_t v) {
        const char bytes[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        file.write(bytes, 2);
    };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    file.write("RIFF", 4);
    put32(36 + dataBytes);
    file.write("WAVEfmt ", 8);
    put32(16);
    put16(1); // PCM
    put16(2);
    put32(static_cast<std::uint32_t>(rate));
    put32(static_cast<std::uint32_t>(rate) * 4);
    put16(4);
    put16(16);
    file.write("data", 4);
    put32(dataBytes);
    for (std::int16_t sample : samples)
        put16(static_cast<std::uint16_t>(sample));
    file.flush();
    if (!file) {
        error = path + ": the sound could not be written";
        return false;
    }
    return true;
}

} // namespace

int runReplay(const ReplayOptions& options, std::ostream* trace, std::string& error)
{
    HeadlessDisplay display;
    HeadlessWindow window(mainWindowProc);
    HeadlessMouse mouse;
    VirtualClock clock(options.seed);
    std::unique_ptr<AudioDevice> audio;
    if (!options.wavPath.empty()) {
        audio = AudioDevice::openLoopback(kWavRate, error);
        if (audio == nullptr)
            return 1;
    }
    const Platform instance{&display, &mouse, &clock, audio.get()};

    auto app = std::make_unique<Application>(instance, &window);
    if (app->startUpResult != 0) {
        error = app->startUpFailure();
        app->shutDown();
        return 1;
    }
    gApplication = app.get();

    FrameTimer timer;
    int exitCode = 0;
    std::vector<std::int16_t> sound;
    std::uint64_t elapsedMs = 0;
    std::uint64_t mixedFrames = 0;
    for (std::int64_t frame = 0; frame < options.frames; ++frame) {
        if (frame > 0) {
            auto dt = options.script.dtMs.find(frame);
            const std::uint32_t ms = dt != options.script.dtMs.end() ? dt->second : options.dtMs;
            clock.advance(ms);
            // The time since the previous frame sounds as that frame left things.
            elapsedMs += ms;
            const std::uint64_t due = elapsedMs * kWavRate / 1000;
            if (audio != nullptr && due > mixedFrames) {
                audio->render(static_cast<int>(due - mixedFrames), sound);
                mixedFrames = due;
            }
        }
        if (auto keys = options.script.keys.find(frame); keys != options.script.keys.end()) {
            for (std::uintptr_t code : keys->second)
                window.postMessage(WM_KEYDOWN, code, 0);
        }
        if (auto motion = options.script.motion.find(frame); motion != options.script.motion.end())
            mouse.move(static_cast<std::int32_t>(motion->second.dx), static_cast<std::int32_t>(motion->second.dy));
        if (!pumpMessages(window, exitCode))
            break; // the window was closed: no further frame runs

        const float dt = timer.nextDt(clock);
        const bool presentFailed = runFrame(*app, dt);

        const std::vector<std::uint16_t>& shown = display.frame();
        if (trace != nullptr)
            *trace << traceLine(frame, dt, *app, frameHash(shown.data(), shown.size())) << '\n';
        if (!options.pngDir.empty() && options.pngEvery > 0 && frame % options.pngEvery == 0) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frame));
            if (!writeFrame(display, options.pngDir + name, error)) {
                exitCode = 1;
                break;
            }
        }
        if (auto png = options.pngFrames.find(frame); png != options.pngFrames.end()) {
            if (!writeFrame(display, png->second, error)) {
                exitCode = 1;
                break;
            }
        }
        if (presentFailed) {
            error = "the frame could not be shown";
            exitCode = 1;
            break;
        }
    }
    app->shutDown();
    gApplication = nullptr;
    if (audio != nullptr && !writeWav(options.wavPath, sound, kWavRate, error))
        return 1;
    return exitCode;
}
