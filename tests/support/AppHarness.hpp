// An Application over the headless backends, as the replay tool runs it: the memory display,
// a scripted window and mouse, a virtual clock whose calendar time is the seed. It starts and
// ends the application the way every entry does; a failed start-up fails the test.
#pragma once

#include "app/Application.hpp"
#include "platform/headless/HeadlessDisplay.hpp"
#include "platform/headless/HeadlessMouse.hpp"
#include "platform/headless/HeadlessWindow.hpp"
#include "platform/headless/VirtualClock.hpp"
#include "session/MainWindow.hpp"

#include <stdexcept>
#include <string>

struct AppHarness {
    explicit AppHarness(std::uint32_t seed = 1, AudioDevice* audio = nullptr) : clock(seed)
    {
        std::string error;
        app = startApplication(Platform{&display, &mouse, &clock, audio}, window, error);
        if (app == nullptr)
            throw std::runtime_error("the application did not start: " + error);
    }
    ~AppHarness() { endApplication(); }
    AppHarness(const AppHarness&) = delete;
    AppHarness& operator=(const AppHarness&) = delete;

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
    Application* app = nullptr;
    bool quit = false;
    int lastExitCode = -1;
};
