// Pilot: the program's own hand on the sparkler: the writer with its words, the autopilot, or
// the writer and then the autopilot once the light has faded. Each frame it hands the loop a
// FrameInput like any other source; the loop posts its keys to the window as a person's, adds
// its motion to the mouse read (PilotedMouse) and gives its pen to the light.
// A person's input takes over at once: real mouse motion, or more key-downs delivered than the
// pilot posted. The pilot then stops for good and the sparkler stays where it was; a light
// being written is finished (it holds, then fades).
#pragma once

#include "session/Autopilot.hpp"
#include "session/FrameInput.hpp"
#include "session/TextWriter.hpp"

#include "platform/Mouse.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Application;
class LoopWatcher;
class Window;

// The mouse as the application reads it while a pilot flies: the device's own motion (a
// person's) plus what the pilot handed out for this frame. It notes when the device moved.
class PilotedMouse : public Mouse {
public:
    explicit PilotedMouse(Mouse* deviceMouse) : device(deviceMouse) {}
    int acquire() override;
    void unacquire() override;
    int getDeviceState(MouseState& state) override;

    // Motion for the next read.
    void add(std::int32_t dx, std::int32_t dy);
    // Whether a read found motion of the device's own since the last call; clears it.
    bool takePersonMoved();

private:
    Mouse* device;
    std::int32_t pendingX = 0;
    std::int32_t pendingY = 0;
    bool personMoved = false;
};

// What a run asks of the scene from its first frame: keys the pilot presses then, before any
// of its own, and the settings its autopilot leaves alone afterwards.
struct PilotStart {
    std::vector<std::uintptr_t> keys;
    bool helpHidden = false; // the autopilot finds the help panel hidden (by the words) and leaves it
    bool keepColour = false;
    bool keepTrails = false;
    bool keepGravity = false;
};

class Pilot {
public:
    // Flies the autopilot when `autopilot` is set (after the words, when there are any), its
    // motion handed to the application through `mouse`.
    Pilot(bool autopilot, PilotedMouse* mouse);
    // The keys and kept settings of the first frame; before begin.
    void startWith(PilotStart settings) { start = std::move(settings); }
    // Seeds the autopilot from the run's seed; before the first frame.
    void begin(std::uint32_t seed);

    // Lays out words to write first. Characters the font lacks go to `skipped` (said once by
    // the caller); false with `error` when nothing of the text can be written.
    bool write(std::string_view text, std::string& skipped, std::string& error);

    // The input for the next frame, stepMs after the one before. `keyDowns` counts the
    // key-downs the window delivered since the last call, `personMoved` whether the mouse
    // moved by itself: either beyond the pilot's own takes over.
    void nextFrame(std::uint32_t stepMs, int keyDowns, bool personMoved, FrameInput& input);
    // Steers one frame: takes the next input, posts its keys to `window`, adds its motion to
    // the mouse and gives its pen to the application's light (telling `watcher` of each pen).
    void steer(Application& app, Window& window, std::uint32_t stepMs, LoopWatcher* watcher);
    // The key-downs the last pump delivered, for the next frame's takeover test.
    void keysPumped(int count) { keysDelivered = count; }

    bool flying() const { return !tookOver && (writer != nullptr || autopilot != nullptr); }
    bool tookOverByPerson() const { return tookOver; }
    // Whether the words are written and their light has held (the end of a run that writes).
    bool wroteAndHeld() const;

    // The frames a run takes to write the words and hold their light, frame 0 included, with
    // `dtMs` between frames unless `dts` gives a frame's own step. 0 without words; -1 when the
    // words would not be done within 100,000,000 frames (no time passes).
    std::int64_t framesToWriteAndHold(std::uint32_t dtMs, const std::map<std::int64_t, std::uint32_t>& dts) const;

private:
    bool wantAutopilot;
    PilotedMouse* mouse;
    int keysDelivered = 0;
    std::unique_ptr<TextWriter> writer;
    std::unique_ptr<Autopilot> autopilot;
    bool tookOver = false;
    int keysPosted = 0;
    PilotStart start;
    bool started = false;
    double sinceWritten = -1.0; // seconds since the pen was done, -1 before
};

// Gives a pen event to the application's light, making the light at the first.
void applyPen(Application& app, Pen pen);
