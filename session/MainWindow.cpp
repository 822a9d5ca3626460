// The entry's loop: messages first, then one timed frame whenever none is waiting; and the one
// start-up and shutdown of the application that every entry goes through.
#include "session/MainWindow.hpp"

#include "app/Application.hpp"
#include "platform/Clock.hpp"
#include "session/Pilot.hpp"

#include <cstdio>

Application* gApplication = nullptr;

long mainWindowProc(Window* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    Application::handleMessage(gApplication, window, message, wParam, lParam);
    return window->defaultProcedure(message, wParam, lParam);
}

bool pumpMessages(Window& window, int& exitCode, LoopWatcher* watcher, int* keyDowns)
{
    Message message;
    while (window.peekMessage(message)) {
        if (message.message == WM_QUIT) {
            exitCode = static_cast<int>(message.wParam);
            return false;
        }
        if (message.message == WM_KEYDOWN) {
            if (watcher != nullptr)
                watcher->keyDelivered(message.wParam);
            if (keyDowns != nullptr)
                ++*keyDowns;
        }
        window.dispatchMessage(message);
    }
    return true;
}

bool runFrame(Application& app, float dt)
{
    app.inputStep();
    app.updateStep(dt);
    return app.renderStep() == 1;
}

Application* startApplication(const Platform& instance, Window& window, std::string& error)
{
    auto* app = new Application(instance, &window);
    if (app->startUpResult != 0) {
        error = app->startUpFailure();
        app->shutDown();
        delete app;
        return nullptr;
    }
    gApplication = app;
    return app;
}

void reportSoundFailure()
{
    if (gApplication == nullptr || gApplication->soundFailure.empty())
        return;
    std::fprintf(stderr, "sparkler: %s; playing %s\n", gApplication->soundFailure.c_str(),
                 gApplication->crackleLoaded ? "the crackle alone" : "without sound");
}

void endApplication()
{
    if (gApplication == nullptr)
        return;
    gApplication->shutDown();
    delete gApplication;
    gApplication = nullptr;
}

PassResult runOnePass(Window& window, Clock& clock, FrameTimer& timer, int& exitCode, LoopWatcher* watcher,
                      Pilot* pilot)
{
    const bool steered = pilot != nullptr && gApplication != nullptr;
    float dt = 0.0f;
    if (steered) {
        dt = timer.nextDt(clock);
        pilot->steer(*gApplication, window, timer.lastStepMs(), watcher);
    }
    int keyDowns = 0;
    if (!pumpMessages(window, exitCode, watcher, &keyDowns))
        return PassResult::Quit;
    if (steered)
        pilot->keysPumped(keyDowns);
    if (gApplication == nullptr)
        return PassResult::Continue;
    if (!steered)
        dt = timer.nextDt(clock);
    if (runFrame(*gApplication, dt))
        return PassResult::DisplayLost;
    if (watcher != nullptr)
        watcher->frameShown(*gApplication, timer.lastStepMs(), dt);
    return PassResult::Continue;
}

int runProgram(const Platform& instance, Window& window, LoopWatcher* watcher, Pilot* pilot, FailureReport report)
{
    if (report == nullptr)
        report = [](const std::string& text) { std::fprintf(stderr, "sparkler: %s\n", text.c_str()); };
    std::string error;
    Application* app = startApplication(instance, window, error);
    if (app == nullptr) {
        report(error);
        return 1;
    }
    if (pilot != nullptr)
        pilot->begin(app->seed);
    reportSoundFailure();
    FrameTimer timer;
    int exitCode = 0;
    for (;;) {
        if (instance.clock == nullptr) {
            // Without a clock no frame can be timed: the messages are drained once and the
            // run ends, as it always has.
            pumpMessages(window, exitCode, watcher);
            break;
        }
        const PassResult result = runOnePass(window, *instance.clock, timer, exitCode, watcher, pilot);
        if (result == PassResult::Quit)
            break;
        if (result == PassResult::DisplayLost) {
            report("the display was lost; the frame could not be shown");
            exitCode = 1;
            break;
        }
    }
    endApplication();
    return exitCode;
}
