// Application: construction, start-up in its fixed order, and shutdown in its fixed order.
// A failed start-up is recorded (what failed and the platform's reason) for the entry, which
// reports it and runs no frame.
#include "app/Application.hpp"

#include "app/HelpTexts.hpp"
#include "app/Scene.hpp"
#include "platform/Clock.hpp"
#include "platform/Display.hpp"
#include "platform/Window.hpp"
#include "sim/Random.hpp"

Application::Application(const Platform& instance, Window* window)
{
    seed = instance.clock != nullptr ? instance.clock->calendarSeconds() : 0u;
    randomSeed(seed);
    // The switches and the colour timer take their first values in the member initialisers.
    helpFont
        = Font::create(kHelpFontFace, kHelpFontCellHeight, kHelpFontBold); // without a font the help texts are skipped
    startUpResult = startUp(instance, window);
}

Application::~Application() = default;

int Application::startUp(const Platform& instance, Window* window)
{
    screen = std::make_unique<ScreenDevice>();
    if (screen->createFullScreenDisplay(instance.display, screenWidth, screenHeight, screenBitsPerPixel) < 0) {
        failure = "cannot take the display to " + std::to_string(screenWidth) + "x" + std::to_string(screenHeight)
            + " at " + std::to_string(screenBitsPerPixel) + " bits per pixel";
        if (instance.display != nullptr && *instance.display->lastError() != '\0')
            failure += std::string(": ") + instance.display->lastError();
        return 1;
    }
    if (screen->createSurfaceFromBitmap(&backgroundSurface, ImageName{backgroundImage, nullptr}, screenWidth,
                                        screenHeight)
        < 0) {
        failure = "cannot load the background picture (image 103)";
        return 1;
    }
    if (window != nullptr)
        window->showCursor(false);
    if (initMouse(instance, window) == 1) {
        failure = "no mouse is available";
        return 1;
    }
    initSound(instance, window);

    sparkler = makeEmitter<SparklerEmitter>(screen.get(), sparklerSettings);
    smoke = makeEmitter<SmokeEmitter>(screen.get(), smokeSettings);

    // The crackle starts on its 3D path, whose buffer is fetched for the frame's placement;
    // the background loops on its own performance's default path.
    playSparklerSound();
    if (sparklerAudioPath != nullptr)
        sparklerBuffer3D = sparklerAudioPath->getBuffer3D();
    if (backgroundPerformance != nullptr && backgroundSegment != nullptr)
        backgroundPerformance->playSegmentEx(backgroundSegment.get(), nullptr);
    return 0;
}

void Application::shutDown()
{
    if (screen != nullptr) {
        screen->destroyObjects();
        screen.reset();
    }
    if (backgroundSurface != nullptr) {
        backgroundSurface->destroy();
        backgroundSurface.reset();
    }
    if (helpSurface != nullptr) {
        helpSurface->destroy();
        helpSurface.reset();
    }
    // Each sound object goes in this order; a performance stops what it plays before it goes.
    sparklerPerformance.reset();
    backgroundPerformance.reset();
    backgroundSegment.reset();
    sparklerSegment.reset();
    backgroundLoader.reset();
    sparklerLoader.reset();
    sparklerAudioPath.reset();
    sparklerBuffer3D.reset();
    sparkler.reset();
    smoke.reset();
    // The mouse and the font are given back last.
    if (mouseDevice != nullptr) {
        mouseDevice->unacquire();
        mouseDevice = nullptr;
    }
    helpFont.reset();
    helpLettered.clear();
    helpLetteredFont = nullptr;
}

int Application::initMouse(const Platform& instance, Window*)
{
    if (instance.mouse == nullptr)
        return 1;
    mouseDevice = instance.mouse;
    mouseDevice->acquire(); // without the focus it fails; the first failed read tries again
    return 0;
}
