// Application frame steps: the input step carries the emitters and the crackle with the mouse,
// the update step cycles the colour, advances both emitters and slides the help panel, and the
// render step composes the picture (black, background, smoke, sparks, help) and presents it.
#include "app/Application.hpp"

#include "app/Scene.hpp"

namespace {

// Signed 32-bit sums that wrap instead of overflowing: the totals are not bounded.
std::int32_t wrappingAdd(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

std::int32_t wrappingSub(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

} // namespace

void Application::inputStep()
{
    if (mouseDevice != nullptr) {
        if (mouseDevice->getDeviceState(mouseState) < 0) {
            // A failed read is no motion; the device is taken back once the window has the
            // focus again, which acquire() only grants then.
            mouseState = MouseState{};
            mouseDevice->acquire();
        }
        mouseTotalX = wrappingAdd(mouseTotalX, mouseState.lX);
        mouseTotalY = wrappingAdd(mouseTotalY, mouseState.lY);
    }
    const double x = static_cast<double>(wrappingAdd(screenCentreX, mouseTotalX));
    const double y = static_cast<double>(wrappingSub(screenCentreY, mouseTotalY));
    sparkler->position.set(x, y, 0.0);
    smoke->position.set(x, y, 0.0);
    // The written light follows the middle of the spark sprite at that place.
    if (light != nullptr)
        light->follow(x + 1.5, static_cast<double>(screenHeight) - y + 1.5);

    placeSparklerSound();
}

void Application::updateStep(float dt)
{
    if (sparkler == nullptr || screen == nullptr)
        return;
    if (colourCycling) {
        colourTimer -= dt;
        if (colourTimer < 0.0f) { // reaching exactly 0 does not step yet
            sparkler->setColour(sparkler->colour + 1);
            colourTimer = 5.0f; // reset, not increased: the overshoot is dropped
        }
    }
    sparkler->update(screen.get(), static_cast<double>(dt));
    if (smoke != nullptr && (smoke->aliveCount > 0 || smoke->enabled))
        smoke->update(screen.get(), static_cast<double>(dt));

    if (light != nullptr)
        light->advance(dt);

    // The panel slides 5 pixels a frame; hiding stops at -160, the first step past -158.
    if (helpVisible && helpSlide < 0)
        helpSlide += 5;
    if (!helpVisible && helpSlide > -158)
        helpSlide -= 5;
}

int Application::renderStep()
{
    if (screen == nullptr)
        return 0;
    // A background that is copied whole over the whole back buffer leaves nothing of the
    // clear to be seen, so the clear is then left out.
    if (clearEachFrame && !(backgroundOn && backgroundCoversScreen()))
        screen->clear(0);
    if (backgroundOn)
        drawBackground();
    if (light != nullptr)
        screen->glow(light->coverage(), Rect{light->left, light->top, light->right, light->bottom}, light->level());
    if (smoke != nullptr && (smoke->aliveCount > 0 || smoke->enabled))
        smoke->render(screen.get());
    if (sparkler != nullptr)
        sparkler->render(screen.get());
    drawHelpOverlay();
    return screen->present() < 0 ? 1 : 0;
}

bool Application::backgroundCoversScreen() const
{
    const Surface* back = screen->backBuffer.get();
    const BitmapSurface* picture = backgroundSurface.get();
    if (back == nullptr || picture == nullptr || picture->surface == nullptr)
        return false;
    const Surface& from = *picture->surface;
    const bool keyed = picture->hasColourKey != 0 && from.keySet;
    return !keyed && back->width == screenWidth && back->height == screenHeight && from.width >= screenWidth
        && from.height >= screenHeight;
}

void Application::drawBackground()
{
    // A background over the whole screen is put back only where the frames drew over it.
    if (backgroundCoversScreen())
        screen->restoreBackground(backgroundSurface.get());
    else
        screen->blit(0, 0, backgroundSurface.get(), Rect{0, 0, screenWidth, screenHeight});
}
