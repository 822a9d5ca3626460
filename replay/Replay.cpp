// Replay: the headless run of the whole application, frame by frame; see the header.
#include "replay/Replay.hpp"

#include "app/Application.hpp"
#include "platform/AudioDevice.hpp"
#include "platform/FrameTimer.hpp"
#include "platform/PngWriter.hpp"
#include "platform/VideoWriter.hpp"
#include "platform/WaveWriter.hpp"
#include "platform/headless/HeadlessDisplay.hpp"
#include "platform/headless/HeadlessMouse.hpp"
#include "platform/headless/HeadlessWindow.hpp"
#include "platform/headless/VirtualClock.hpp"
#include "replay/ProgressLine.hpp"
#include "session/ReplayTrace.hpp"
#include "session/MainWindow.hpp"
#include "session/Pilot.hpp"

#include <chrono>
#include <cstdio>
#include <memory>

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

namespace {

constexpr int kWavRate = 44100;

double secondsNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool writeFrame(const HeadlessDisplay& display, const std::string& path, std::string& error)
{
    return writePng(path, display.shownFrame().data(), display.frameWidth(), display.frameHeight(), error);
}

// Mixes the sound up to `due` frames in pieces the loopback device accepts, however long
// the frame step was.
bool mixUntil(AudioDevice& audio, std::uint64_t due, std::uint64_t& mixed, std::vector<std::int16_t>& sound,
              std::string& error)
{
    constexpr std::uint64_t kPiece = 1 << 20;
    while (mixed < due) {
        const std::uint64_t part = due - mixed < kPiece ? due - mixed : kPiece;
        if (!audio.render(static_cast<int>(part), sound)) {
            error = "the sound could not be mixed";
            return false;
        }
        mixed += part;
    }
    return true;
}

} // namespace

int runReplay(const ReplayOptions& options, std::ostream* trace, std::string& error)
{
    HeadlessDisplay display;
    HeadlessWindow window(mainWindowProc);
    HeadlessMouse mouse;
    // With a pilot the application reads the scripted mouse through it, so that a script's
    // motion is a person's and takes over.
    PilotedMouse piloted(&mouse);
    const bool piloting = options.autopilot || !options.writeText.empty();
    Pilot pilot(options.autopilot, &piloted);
    if (!options.writeText.empty()) {
        std::string skipped;
        if (!pilot.write(options.writeText, skipped, error))
            return 1;
    }
    VirtualClock clock(options.seed);
    std::unique_ptr<AudioDevice> audio;
    if (!options.wavPath.empty() || !options.videoPath.empty()) {
        audio = AudioDevice::openLoopback(kWavRate, error);
        if (audio == nullptr)
            return 1;
    }
    const Platform instance{&display, piloting ? static_cast<Mouse*>(&piloted) : &mouse, &clock, audio.get()};

    Application* app = startApplication(instance, window, error);
    if (app == nullptr)
        return 1;
    if (piloting)
        pilot.begin(options.seed);
    if (!app->soundFailure.empty())
        std::fprintf(stderr, "sparkler-replay: %s; the mix has %s\n", app->soundFailure.c_str(),
                     app->crackleLoaded ? "no background sound" : "no sound");

    std::unique_ptr<VideoWriter> video;
    if (!options.videoPath.empty()) {
        VideoSettings settings;
        settings.path = options.videoPath;
        settings.width = display.frameWidth();
        settings.height = display.frameHeight();
        settings.scale = options.videoScale;
        settings.fullChroma = options.videoFullChroma;
        settings.sampleRate = kWavRate;
        settings.nominalFrameMs = options.dtMs > 0 ? options.dtMs : 16;
        video = openVideoWriter(settings, error);
        if (video == nullptr) {
            endApplication();
            return 1;
        }
    }

    FrameTimer timer;
    int exitCode = 0;
    std::vector<std::int16_t> sound;
    std::uint64_t elapsedMs = 0;
    std::uint64_t mixedFrames = 0;
    bool closed = false;
    ProgressLine progress(options.progress, options.frames, secondsNow());
    for (std::int64_t frame = 0; frame < options.frames; ++frame) {
        std::uint32_t stepMs = 0;
        if (frame > 0) {
            auto dt = options.script.dtMs.find(frame);
            const std::uint32_t ms = dt != options.script.dtMs.end() ? dt->second : options.dtMs;
            stepMs = ms;
            clock.advance(ms);
            // The time since the previous frame sounds as that frame left things.
            elapsedMs += ms;
            const std::uint64_t due = elapsedMs * kWavRate / 1000;
            const std::size_t before = sound.size();
            if (audio != nullptr && !mixUntil(*audio, due, mixedFrames, sound, error)) {
                exitCode = 1;
                break;
            }
            if (video != nullptr && sound.size() > before) {
                if (!video->addSound(sound.data() + before, (sound.size() - before) / 2, error)) {
                    exitCode = 1;
                    break;
                }
                if (options.wavPath.empty())
                    sound.clear(); // the video has it; only a wave file needs the whole mix
            }
        }
        if (piloting)
            pilot.steer(*app, window, stepMs, nullptr);
        if (auto keys = options.script.keys.find(frame); keys != options.script.keys.end()) {
            for (std::uintptr_t code : keys->second)
                window.postMessage(WM_KEYDOWN, code, 0);
        }
        if (auto motion = options.script.motion.find(frame); motion != options.script.motion.end())
            mouse.move(static_cast<std::int32_t>(motion->second.dx), static_cast<std::int32_t>(motion->second.dy));
        if (auto pens = options.script.pens.find(frame); pens != options.script.pens.end()) {
            for (Pen pen : pens->second)
                applyPen(*app, pen);
        }
        int keyDowns = 0;
        if (!pumpMessages(window, exitCode, nullptr, &keyDowns)) {
            closed = true;
            break; // the window was closed: no further frame runs
        }
        pilot.keysPumped(keyDowns);

        const float dt = timer.nextDt(clock);
        const bool presentFailed = runFrame(*app, dt);

        const std::span<const std::uint16_t> shown = display.shownFrame();
        if (trace != nullptr && !(*trace << traceLine(frame, dt, *app, frameHash(shown.data(), shown.size())) << '\n')) {
            error = "the trace could not be written";
            exitCode = 1;
            break; // a trace that lost a line is no trace: the run stops here
        }
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
        if (video != nullptr && !video->addFrame(shown.data(), elapsedMs, error)) {
            exitCode = 1;
            break;
        }
        if (presentFailed) {
            error = "the frame could not be shown";
            exitCode = 1;
            break;
        }
        progress.update(frame + 1, secondsNow());
    }
    progress.finish(secondsNow());
    endApplication();
    // The last frame stays until the window closed, or for one more usual step after a run
    // that simply ran out of frames. A failed run leaves no video: the writer removes it.
    const std::uint64_t endMs = closed ? elapsedMs : elapsedMs + options.dtMs;
    if (exitCode == 0 && video != nullptr && !video->finish(endMs, error))
        return 1;
    if (exitCode == 0 && !options.wavPath.empty() && !writeWave(options.wavPath, sound, 2, kWavRate, error))
        return 1;
    return exitCode;
}
