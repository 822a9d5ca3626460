// The browser program's entry: the page's display, keys, pointer, clock and sound around the
// same application and loop pass as the native program. Its functions are the ones the page
// calls (the build exports them by name). The page owns the loop: it calls
// sparkler_frame from each animation-frame callback, and the pacer there decides whether the
// pass runs. A run ends on Escape or F12 (shut down in order); the page can light a new one.
// Before a person's gesture the page runs a silent run on the program's own pilot (no sound
// device: browsers allow sound only after a gesture); the gesture lights a run with sound.
// A page may give words for its piloted run to write first (an embedded scene's greeting).
#include "app/Application.hpp"
#include "app/Scene.hpp"
#include "gfx/ScreenDevice.hpp"
#include "platform/AudioDevice.hpp"
#include "platform/headless/HeadlessMouse.hpp"
#include "platform/headless/HeadlessWindow.hpp"
#include "platform/web/RafPacer.hpp"
#include "platform/web/WebClock.hpp"
#include "platform/web/WebDisplay.hpp"
#include "platform/web/WebKeyCodes.hpp"
#include "session/MainWindow.hpp"
#include "session/Pilot.hpp"

#include <cstdio>
#include <memory>
#include <string>

namespace {

// What sparkler_frame tells the page.
enum FrameResult { kSkipped = 0, kRan = 1, kEnded = 2, kDisplayLost = 3, kNotRunning = 4 };

struct Page {
    WebDisplay display;
    HeadlessWindow window{mainWindowProc};
    HeadlessMouse mouse;
    PilotedMouse pilotedMouse{&mouse};
    std::unique_ptr<Pilot> pilot; // the run's own hand, when it has one
    WebClock clock;
    std::unique_ptr<AudioDevice> audio;
    bool audioTried = false;
    FrameTimer timer;
    RafPacer pacer;
    unsigned passes = 0;
    std::string words; // for the next piloted run to write first
};

Page* page = nullptr;

// A key-down's lParam, as the native window gives it: a repeat count of 1, and bit 30 when the
// key was already down.
std::intptr_t keyDownParam(bool repeat)
{
    return repeat ? (std::intptr_t{1} | (std::intptr_t{1} << 30)) : std::intptr_t{1};
}

// Lays out the words a piloted run writes before its autopilot flies, as --write does; the
// help panel stays hidden after them. What cannot be written is said in one line.
void writeFirst(Pilot& pilot, const std::string& words)
{
    PilotStart start;
    start.helpHidden = true;
    pilot.startWith(start);
    std::string skipped;
    std::string error;
    if (!pilot.write(words, skipped, error))
        std::fprintf(stderr, "sparkler: write: %s\n", error.c_str());
    else if (!skipped.empty())
        std::fprintf(stderr, "sparkler: write: the stroke font has no %s; left out\n", skipped.c_str());
}

} // namespace

extern "C" {

// Words for the next piloted run to write with the sparkler before its autopilot flies.
void sparkler_write(const char* text)
{
    if (page != nullptr)
        page->words = text;
}

// Unpacks the background picture ahead of the first run, which then only copies it: the page
// calls this in a task of its own, so that no one task of the start is long.
void sparkler_prepare()
{
    ScreenDevice::keepPicture(backgroundImage);
}

// Lights a new run, with the page's sound device when `sound` is set (opened at the first such
// run) and flown by the autopilot until a person's input takes over when `piloted` is set.
// 0 when it runs; 1 when a run is already going or start-up failed, said in one line on stderr.
int sparkler_start_run(int sound, int piloted)
{
    if (page == nullptr || gApplication != nullptr)
        return 1;
    if (sound != 0 && !page->audioTried) {
        // One sound device for the page's life: runs come and go, the browser's context stays.
        page->audioTried = true;
        std::string error;
        page->audio = AudioDevice::openOutput(error);
        if (page->audio == nullptr)
            std::fprintf(stderr, "sparkler: %s; running without sound\n", error.c_str());
    }
    page->window = HeadlessWindow(mainWindowProc);
    page->mouse = HeadlessMouse();
    page->pilotedMouse = PilotedMouse(&page->mouse);
    page->timer = FrameTimer();
    page->pacer.restart();
    page->pilot.reset();
    if (piloted != 0) {
        page->pilot = std::make_unique<Pilot>(true, &page->pilotedMouse);
        if (!page->words.empty())
            writeFirst(*page->pilot, page->words);
        page->words.clear();
    }
    Mouse* mouse = piloted != 0 ? static_cast<Mouse*>(&page->pilotedMouse) : &page->mouse;
    const Platform instance{&page->display, mouse, &page->clock, sound != 0 ? page->audio.get() : nullptr};
    std::string error;
    Application* app = startApplication(instance, page->window, error);
    if (app == nullptr) {
        std::fprintf(stderr, "sparkler: %s\n", error.c_str());
        page->pilot.reset();
        return 1;
    }
    if (page->pilot != nullptr)
        page->pilot->begin(app->seed);
    if (sound != 0)
        reportSoundFailure();
    return 0;
}

// A run with sound and no pilot, as a person lights it.
int sparkler_start()
{
    return sparkler_start_run(1, 0);
}

// Ends the run going, if any (the page hands over from its silent run to a person's).
void sparkler_stop()
{
    endApplication();
    if (page != nullptr)
        page->pilot.reset();
}

// One animation-frame callback at `now` milliseconds: runs the loop's pass when it is due.
int sparkler_frame(double now)
{
    if (page == nullptr || gApplication == nullptr)
        return kNotRunning;
    if (!page->pacer.due(now))
        return kSkipped;
    int exitCode = 0;
    const PassResult result = runOnePass(page->window, page->clock, page->timer, exitCode, nullptr, page->pilot.get());
    ++page->passes;
    if (result == PassResult::Continue)
        return kRan;
    sparkler_stop();
    return result == PassResult::Quit ? kEnded : kDisplayLost;
}

// A key-down from the page, as its KeyboardEvent code and key.
void sparkler_key(const char* code, const char* key, int repeat)
{
    if (page == nullptr || gApplication == nullptr)
        return;
    if (const std::uintptr_t vk = virtualKeyFromDom(code, key); vk != 0)
        page->window.postMessage(WM_KEYDOWN, vk, keyDownParam(repeat != 0));
}

// Relative pointer motion, as the pointer lock delivers it.
void sparkler_mouse(int dx, int dy)
{
    if (page != nullptr)
        page->mouse.move(dx, dy);
}

// The page has the keyboard and the pointer lock (1), or lost them (0): while it has not, the
// mouse reads fail as natively without the focus, and the first read after it returns takes
// the device again.
void sparkler_focus(int focused)
{
    if (page == nullptr)
        return;
    page->window.focused = focused != 0;
    page->mouse.focus = focused != 0;
    if (focused == 0)
        page->mouse.unacquire();
}

// Passes run and frames shown since the page started, for the page's readout and its tests.
unsigned sparkler_passes()
{
    return page != nullptr ? page->passes : 0;
}

// Where the sparks come from in the run going, in the frame's pixels from its top left (axis 0
// across, 1 down), as of the last pass; 0 without a run. For the page's tests.
double sparkler_origin(int axis)
{
    if (gApplication == nullptr || gApplication->sparkler == nullptr)
        return 0.0;
    const Vector3& at = gApplication->sparkler->position;
    return axis == 0 ? at.x : static_cast<double>(screenHeight) - at.y;
}

} // extern "C"

int main()
{
    page = new Page; // lives as long as the page
    return 0;
}
