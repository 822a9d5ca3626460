// Shared scenes for tests and benchmarks: a screen device on the headless display, and the
// two emitters configured as the program makes them, stepped to a steady state.
#pragma once

#include "gfx/ScreenDevice.hpp"
#include "platform/HeadlessDisplay.hpp"
#include "sim/Random.hpp"
#include "sim/SmokeEmitter.hpp"
#include "sim/SparklerEmitter.hpp"

#include <memory>

// A 1024 x 768 RGB565 screen in memory.
struct HeadlessScreen {
    HeadlessScreen() { device.createFullScreenDisplay(&display, 1024, 768, 16); }
    HeadlessDisplay display;
    ScreenDevice device;
};

inline std::unique_ptr<SparklerEmitter> makeMainSparkler(ScreenDevice* screen)
{
    auto sparkler = std::make_unique<SparklerEmitter>(2000, 0, 0.2, 1.0, 0.0, 200.0, 6, 1.0);
    sparkler->loadSheet(screen, 113, 21, 18);
    return sparkler;
}

inline std::unique_ptr<SmokeEmitter> makeSmoke(ScreenDevice* screen)
{
    auto smoke = std::make_unique<SmokeEmitter>(5000, 0, 3.0, 5.5, 0.0, 25.0, 1, 0.001);
    smoke->loadSheet(screen, 115, 48, 4);
    return smoke;
}

// Both emitters at the screen centre, seeded, stepped `frames` times by `dt` with a frame
// drawn over the background after every step.
struct SteadyScene {
    explicit SteadyScene(std::uint32_t seed = 1, int frames = 600, double dt = 0.016)
    {
        randomSeed(seed);
        screen.device.createSurfaceFromBitmap(&background, ImageName{103, nullptr}, 1024, 768);
        sparkler = makeMainSparkler(&screen.device);
        smoke = makeSmoke(&screen.device);
        sparkler->position.set(512.0, 384.0, 0.0);
        smoke->position.set(512.0, 384.0, 0.0);
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
            device.blit(0, 0, background.get(), Rect{0, 0, 1024, 768});
        smoke->render(&device);
        sparkler->render(&device);
        return device.present();
    }

    HeadlessScreen screen;
    std::unique_ptr<BitmapSurface> background;
    std::unique_ptr<SparklerEmitter> sparkler;
    std::unique_ptr<SmokeEmitter> smoke;
};
