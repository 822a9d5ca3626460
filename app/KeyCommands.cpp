// Application keyboard commands: window messages in, switches, colours, gravity and the
// crackle out. Every command is one key-down; held keys repeat as further key-downs.
#include "app/Application.hpp"

#include "platform/Window.hpp"

int Application::handleMessage(Application* app, Window* window, std::uint32_t message, std::uintptr_t wParam,
                               std::intptr_t)
{
    if (message == WM_DESTROY) {
        if (window != nullptr)
            window->postQuitMessage(0);
        return 0;
    }
    if (message == WM_PAINT) {
        if (window != nullptr)
            window->validate(); // nothing is drawn through the window
        return 0;
    }
    if (message != WM_KEYDOWN || app == nullptr || app->sparkler == nullptr || app->smoke == nullptr)
        return 0;

    SparklerEmitter& sparkler = *app->sparkler;
    SmokeEmitter& smoke = *app->smoke;
    switch (wParam) {
    case VK_ESCAPE:
    case VK_F12:
        if (window != nullptr)
            window->postMessage(WM_CLOSE, 0, 0);
        break;
    case VK_PRIOR:
        app->adjustGravity(-1.0);
        break;
    case VK_NEXT:
        app->adjustGravity(1.0);
        break;
    case '1':
        app->colourCycling = true;
        sparkler.setColour(0);
        break;
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
        app->colourCycling = false;
        sparkler.setColour(static_cast<int>(wParam) - '2');
        break;
    case '8':
        app->colourCycling = false;
        sparkler.setColour(-1); // every new spark picks its own row
        break;
    case 'B':
        app->backgroundOn = !app->backgroundOn;
        break;
    case 'C':
        // Both on, or both off for trails: nothing then erases the back buffer.
        app->clearEachFrame = !app->clearEachFrame;
        app->backgroundOn = app->clearEachFrame;
        break;
    case 'H':
        app->helpVisible = !app->helpVisible;
        break;
    case 'K':
        if (app->sparklerOn) {
            sparkler.enabled = false;
            smoke.enabled = false;
            app->stopSparklerSound();
            app->sparklerOn = false;
        } else {
            app->playSparklerSound();
            sparkler.enabled = true;
            smoke.enabled = app->smokeOn;
            app->sparklerOn = true;
        }
        break;
    case 'R':
        app->reverseSound = !app->reverseSound;
        break;
    case 'S':
        if (app->smokeOn) {
            app->smokeOn = false;
            smoke.enabled = false;
        } else {
            // Smoke cannot be on without the sparkler; the crackle starts again from its start.
            app->smokeOn = true;
            app->sparklerOn = true;
            sparkler.enabled = true;
            smoke.enabled = true;
            app->playSparklerSound();
        }
        break;
    default:
        break;
    }
    return 0;
}

void Application::adjustGravity(double delta)
{
    sparkler->gravity += Vector3{0.0, delta, 0.0};
}
