// Shared scenes for tests and benchmarks: a screen device on the headless display, and the
// two emitters configured as the program makes them, stepped to a steady state.
#pragma once

#include "app/Scene.hpp"
#include "gfx/ScreenDevice.hpp"
#include "platform/headless/HeadlessDisplay.hpp"
#include "sim/Random.hpp"
#include "sim/SmokeEmitter.hpp"
#include "sim/SparklerEmitter.hpp"

#include <memory>

// The program's RGB565 screen in memory.
struct HeadlessScreen {
    HeadlessScreen() { device.createFullScreenDisplay(&display, screenWidth, screenHeight, screenBitsPerPixel); }
    HeadlessDisplay display;
    ScreenDevice device;
};

inline std::unique_ptr<SparklerEmitter> makeMainSparkler(ScreenDevice* screen)
{
    return makeEmitter<SparklerEmitter>(screen, sparklerSettings);
}

inline std::unique_ptr<SmokeEmitter> makeSmoke(ScreenDevice* screen)
{
    return makeEmitter<SmokeEmitter>(screen, smokeSettings);
}

// Both emitters at the screen centre, seeded, stepped `frames` times by `dt` with a frame
// drawn over the background after every step.
struct SteadyScene {
    explicit SteadyScene(std::uint32_t seed = 1, int frames = 600, double dt = 0.016)
    {
        randomSeed(seed);
        screen.device.createSurfaceFromBitmap(&background, ImageName{backgroundImage, nullptr}, screenWidth,
                                              screenHeight);
        sparkler = makeMainSparkler(&screen.device);
        smoke = makeSmoke(&screen.device);
        sparkler->position.set(screenCentreX, screenCentreY, 0.0);
        smoke->position.set(screenCentreX, screenCentreY, 0.0);
        for (int i = 0; i < frames; ++i) {
            sparkler->update(&screen.device, dt);
            smoke->update(&screen.device, dt);
            drawFrame();
        }
    }

    int drawFrame()
    {
        ScreenDevice& device = screen.device;
        device.clear(0);
        if (background != nullptr)
            device.blit(0, 0, background.get(), Rect{0, 0, screenWidth, screenHeight});
        smoke->render(&device);
        sparkler->render(&device);
        return device.present();
    }

    HeadlessScreen screen;
    std::unique_ptr<BitmapSurface> background;
    std::unique_ptr<SparklerEmitter> sparkler;
    std::unique_ptr<SmokeEmitter> smoke;
};
