// The entry's loop: messages first, then one timed frame whenever none is waiting.
#include "platform/MainWindow.hpp"

#include "app/Application.hpp"
#include "platform/Clock.hpp"
#include "platform/FrameTimer.hpp"

#include <cstdio>

Application* gApplication = nullptr;

long mainWindowProc(Window* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    Application::handleMessage(gApplication, window, message, wParam, lParam);
    return window->defaultProcedure(message, wParam, lParam);
}

bool pumpMessages(Window& window, int& exitCode)
{
    Message message;
    while (window.peekMessage(message)) {
        if (message.message == WM_QUIT) {
            exitCode = static_cast<int>(message.wParam);
            return false;
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

int runProgram(const Platform& instance, Window& window)
{
    auto* app = new Application(instance, &window);
    if (app->startUpResult != 0) {
        std::fprintf(stderr, "sparkler: %s\n", app->startUpFailure().c_str());
        app->shutDown();
        delete app;
        return 1;
    }
    gApplication = app;

    FrameTimer timer;
    int exitCode = 0;
    while (pumpMessages(window, exitCode)) {
        if (instance.clock == nullptr)
            break;
        if (runFrame(*gApplication, timer.nextDt(*instance.clock))) {
            std::fprintf(stderr, "sparkler: the display was lost; the frame could not be shown\n");
            exitCode = 1;
            break;
        }
    }
    gApplication->shutDown();
    delete gApplication;
    gApplication = nullptr;
    return exitCode;
}
