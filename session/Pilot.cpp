// Pilot: the writer and the autopilot behind one input source, and the mouse they steer
// through; see the header.
#include "session/Pilot.hpp"

#include "app/Application.hpp"
#include "gfx/LightTrail.hpp"
#include "session/MainWindow.hpp"
#include "sim/ScreenSize.hpp"

int PilotedMouse::acquire()
{
    return device != nullptr ? device->acquire() : DI_OK;
}

void PilotedMouse::unacquire()
{
    if (device != nullptr)
        device->unacquire();
}

int PilotedMouse::getDeviceState(MouseState& state)
{
    const int result = device != nullptr ? device->getDeviceState(state) : DI_OK;
    if (result >= 0 && device != nullptr && (state.lX != 0 || state.lY != 0))
        personMoved = true;
    if (pendingX == 0 && pendingY == 0)
        return result;
    // The pilot's motion arrives even while the device cannot be read (no focus, as a
    // screensaver's window never has it).
    if (result < 0 || device == nullptr)
        state = MouseState{};
    state.lX += pendingX;
    state.lY += pendingY;
    pendingX = pendingY = 0;
    return DI_OK;
}

void PilotedMouse::add(std::int32_t dx, std::int32_t dy)
{
    pendingX += dx;
    pendingY += dy;
}

bool PilotedMouse::takePersonMoved()
{
    const bool moved = personMoved;
    personMoved = false;
    return moved;
}

Pilot::Pilot(bool autopilotOn, PilotedMouse* pilotedMouse) : wantAutopilot(autopilotOn), mouse(pilotedMouse) {}

void Pilot::begin(std::uint32_t seed)
{
    if (wantAutopilot) {
        autopilot = std::make_unique<Autopilot>(seed);
        autopilot->keep(start.helpHidden, start.keepColour, start.keepTrails, start.keepGravity);
    }
}

void Pilot::steer(Application& app, Window& window, std::uint32_t stepMs, LoopWatcher* watcher)
{
    FrameInput input;
    const bool moved = mouse != nullptr && mouse->takePersonMoved();
    nextFrame(stepMs, keysDelivered, moved, input);
    keysDelivered = 0;
    for (std::uintptr_t code : input.keys)
        window.postMessage(WM_KEYDOWN, code, 1);
    if (mouse != nullptr)
        mouse->add(input.dx, input.dy);
    for (Pen pen : input.pen) {
        applyPen(app, pen);
        if (watcher != nullptr)
            watcher->penDelivered(pen);
    }
}

bool Pilot::write(std::string_view text, std::string& skipped, std::string& error)
{
    StrokeFont font;
    if (!font.read(StrokeFont::embeddedText(), error))
        return false;
    auto words = std::make_unique<TextWriter>();
    if (!words->layOut(font, text, skipped, error))
        return false;
    writer = std::move(words);
    return true;
}

bool Pilot::wroteAndHeld() const
{
    return sinceWritten >= static_cast<double>(LightTrail::kHoldSeconds);
}

void Pilot::nextFrame(std::uint32_t stepMs, int keyDowns, bool personMoved, FrameInput& input)
{
    const bool personTyped = keyDowns > keysPosted;
    keysPosted = 0;
    if (tookOver)
        return;
    if (personMoved || personTyped) {
        tookOver = true;
        // Words half written are left to hold and fade as if done.
        if (writer != nullptr && !writer->done())
            input.pen.push_back(Pen::Done);
        return;
    }
    if (!started) {
        started = true;
        input.keys = start.keys;
    }
    if (writer != nullptr) {
        if (!writer->done()) {
            writer->nextFrame(stepMs, input);
        } else {
            sinceWritten += static_cast<double>(stepMs) * 0.001;
            // The autopilot takes the sparkler from the words once their light has faded.
            const double faded = static_cast<double>(LightTrail::kHoldSeconds + LightTrail::kFadeSeconds);
            if (autopilot != nullptr && sinceWritten >= faded) {
                autopilot->startAt(writer->x(), writer->y());
                writer.reset();
                sinceWritten = faded;
            }
        }
        if (writer != nullptr && writer->done() && sinceWritten < 0.0)
            sinceWritten = 0.0;
    } else if (autopilot != nullptr) {
        autopilot->nextFrame(stepMs, input);
    }
    keysPosted = static_cast<int>(input.keys.size());
}

std::int64_t Pilot::framesToWriteAndHold(std::uint32_t dtMs, const std::map<std::int64_t, std::uint32_t>& dts) const
{
    if (writer == nullptr)
        return 0;
    TextWriter dry = *writer;
    double held = -1.0;
    for (std::int64_t frame = 0; frame <= 100000000; ++frame) {
        const auto own = dts.find(frame);
        const std::uint32_t step = frame == 0 ? 0 : own != dts.end() ? own->second : dtMs;
        if (held >= 0.0)
            held += static_cast<double>(step) * 0.001;
        if (held >= static_cast<double>(LightTrail::kHoldSeconds))
            return frame + 1; // this frame is the first to show the light held in full
        FrameInput ignored;
        dry.nextFrame(step, ignored);
        if (dry.done() && held < 0.0)
            held = 0.0;
    }
    return -1;
}

void applyPen(Application& app, Pen pen)
{
    if (app.light == nullptr)
        app.light = std::make_unique<LightTrail>(screenWidth, screenHeight);
    switch (pen) {
    case Pen::Down:
        app.light->penDown();
        break;
    case Pen::Up:
        app.light->penUp();
        break;
    case Pen::Done:
        app.light->finish();
        break;
    }
}
