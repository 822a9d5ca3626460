// The program's entry side: the one global application, the window procedure, the message
// pump and one pass of the loop, shared by the windowed program, the replay tool and the
// tests. The loop never waits itself; the display's present is where a frame waits its turn.
// A host that owns the loop (the browser's animation callback) calls runOnePass itself.
#pragma once

#include "platform/FrameTimer.hpp"
#include "platform/Platform.hpp"
#include "platform/Window.hpp"
#include "session/FrameInput.hpp"

#include <string>

class Application;
class Clock;
class Pilot;

// The one application; null until it has been constructed.
extern Application* gApplication;

// Hands every message to the application, then to the window's default handling.
long mainWindowProc(Window* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Watches a live run, for its record and its trace: every key-down the loop hands to the
// window procedure, and every frame once it has been shown.
class LoopWatcher {
public:
    virtual ~LoopWatcher() = default;
    virtual void keyDelivered(std::uintptr_t code) = 0;
    // The frame just run: its step in milliseconds and seconds; the application after it.
    virtual void frameShown(const Application& app, std::uint32_t stepMs, float dt) = 0;
    // A writer's pen event, given to the application's light before the frame it belongs to.
    virtual void penDelivered(Pen) {}
};

// Takes and dispatches every waiting message. False once the quit message was taken; its
// wParam is then in exitCode. A watcher is told of every key-down before it is dispatched, and
// `keyDowns`, when given, counts them.
bool pumpMessages(Window& window, int& exitCode, LoopWatcher* watcher = nullptr, int* keyDowns = nullptr);

// Runs the three steps of one frame. True when presenting failed and the run must end.
bool runFrame(Application& app, float dt);

// Constructs the application over `instance` and makes it gApplication. A failed start-up is
// shut down and deleted again at once: null, with the reason in `error`.
Application* startApplication(const Platform& instance, Window& window, std::string& error);
// Says on stderr, in the program's words, which wave could not be loaded and what still plays.
void reportSoundFailure();
// Shuts gApplication down, deletes it and leaves gApplication null; nothing when it is null.
void endApplication();

// What one pass of the loop left to do.
enum class PassResult { Continue, Quit, DisplayLost };

// One pass of the loop: drains the waiting messages, then runs one timed frame of gApplication.
// Quit (with exitCode set from the quit message) once the window has been closed; DisplayLost
// when the frame could not be shown. With a pilot, the frame is timed first and the pilot
// steers it before the messages are drained, so that its keys go with them.
PassResult runOnePass(Window& window, Clock& clock, FrameTimer& timer, int& exitCode, LoopWatcher* watcher = nullptr,
                      Pilot* pilot = nullptr);

// How a program tells its user of a failure that ends it: one sentence, without the program's name.
using FailureReport = void (*)(const std::string& text);

// Starts the application over `instance`, runs passes until quit or a failed present, shuts
// down and returns the exit code. A failed start-up or a lost display is reported, in one line
// on stderr ("sparkler: ...") or through `report` when given, and gives 1.
// A watcher, when given, sees the whole run; a pilot, when given, steers it.
int runProgram(const Platform& instance, Window& window, LoopWatcher* watcher = nullptr, Pilot* pilot = nullptr,
               FailureReport report = nullptr);
