// An Application over the headless backends, as the replay tool runs it: the memory display,
// a scripted window and mouse, a virtual clock whose calendar time is the seed.
#pragma once

#include "app/Application.hpp"
#include "platform/HeadlessDisplay.hpp"
#include "platform/HeadlessMouse.hpp"
#include "platform/HeadlessWindow.hpp"
#include "platform/MainWindow.hpp"
#include "platform/VirtualClock.hpp"

#include <memory>

struct AppHarness {
    explicit AppHarness(std::uint32_t seed = 1, AudioDevice* audio = nullptr) : clock(seed)
    {
        app = std::make_unique<Application>(Platform{&display, &mouse, &clock, audio}, &window);
        gApplication = app.get();
    }
    ~AppHarness()
    {
        app->shutDown();
        gApplication = nullptr;
    }

    // Delivers a key-down through the window procedure, as the loop does.
    void key(std::uintptr_t code)
    {
        window.postMessage(WM_KEYDOWN, code, 0);
        int exitCode = 0;
        quit = !pumpMessages(window, exitCode) || quit;
        lastExitCode = exitCode;
    }

    int frame(float dt = 0.016f) { return runFrame(*app, dt) ? 1 : 0; }

    HeadlessDisplay display;
    HeadlessWindow window{mainWindowProc};
    HeadlessMouse mouse;
    VirtualClock clock;
    std::unique_ptr<Application> app;
    bool quit = false;
    int lastExitCode = -1;
};
