// The application over the headless backends with a pilot, run pass by pass through the loop
// as the live program runs it: the pilot steers through a PilotedMouse over the scripted mouse,
// so the test's own mouse.move is a person's hand. A watcher, when given, sees the run.
#pragma once

#include "app/Application.hpp"
#include "platform/headless/HeadlessDisplay.hpp"
#include "platform/headless/HeadlessMouse.hpp"
#include "platform/headless/HeadlessWindow.hpp"
#include "platform/headless/VirtualClock.hpp"
#include "session/MainWindow.hpp"
#include "session/Pilot.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

// The application over the headless backends, run pass by pass through the loop with a pilot,
// as the live program runs it.
struct PilotedRun {
    PilotedRun(std::uint32_t seed, bool autopilot, const std::string& text = "")
        : clock(seed), pilot(autopilot, &piloted)
    {
        std::string error;
        std::string skipped;
        if (!text.empty() && !pilot.write(text, skipped, error))
            throw std::runtime_error(error);
        app = startApplication(Platform{&display, &piloted, &clock, nullptr}, window, error);
        if (app == nullptr)
            throw std::runtime_error(error);
        pilot.begin(seed);
    }
    ~PilotedRun() { endApplication(); }
    PilotedRun(const PilotedRun&) = delete;
    PilotedRun& operator=(const PilotedRun&) = delete;

    void pass(std::uint32_t ms = 16, LoopWatcher* watcher = nullptr)
    {
        if (passes++ > 0)
            clock.advance(ms);
        int exitCode = 0;
        ASSERT_EQ(runOnePass(window, clock, timer, exitCode, watcher, &pilot), PassResult::Continue);
    }
    std::int32_t x() const { return static_cast<std::int32_t>(app->sparkler->position.x); }
    std::int32_t y() const { return static_cast<std::int32_t>(app->sparkler->position.y); }

    HeadlessDisplay display;
    HeadlessWindow window{mainWindowProc};
    HeadlessMouse mouse;
    PilotedMouse piloted{&mouse};
    VirtualClock clock;
    FrameTimer timer;
    Pilot pilot;
    Application* app = nullptr;
    int passes = 0;
};
