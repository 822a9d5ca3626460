// The scene the application sets up: the display's mode, the background picture, and the two
// emitters with their settings and sprite sheets. One place for the program, the tests and the
// benchmarks, so that a scene built anywhere is the one the program shows.
#pragma once

#include "gfx/ScreenDevice.hpp"
#include "sim/ScreenSize.hpp"

#include <memory>

constexpr int screenBitsPerPixel = 16;
constexpr int backgroundImage = 103;

// What an emitter is constructed with, and the sprite sheet it loads.
struct EmitterSettings {
    int capacity;
    int oneShot;
    double lifeLow;
    double lifeHigh;
    double speedBase;
    double speedRange;
    int colourCount;
    double gravityScale;
    int sheetImage;
    int sheetWidth;
    int sheetHeight;
};

constexpr EmitterSettings sparklerSettings{2000, 0, 0.2, 1.0, 0.0, 200.0, 6, 1.0, 113, 21, 18};
constexpr EmitterSettings smokeSettings{5000, 0, 3.0, 5.5, 0.0, 25.0, 1, 0.001, 115, 48, 4};

// An emitter of the given kind made with `settings`, its sheet loaded from the image table.
template <class Emitter> std::unique_ptr<Emitter> makeEmitter(ScreenDevice* screen, const EmitterSettings& settings)
{
    auto emitter = std::make_unique<Emitter>(settings.capacity, settings.oneShot, settings.lifeLow, settings.lifeHigh,
                                             settings.speedBase, settings.speedRange, settings.colourCount,
                                             settings.gravityScale);
    emitter->loadSheet(screen, settings.sheetImage, settings.sheetWidth, settings.sheetHeight);
    return emitter;
}
