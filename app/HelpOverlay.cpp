// Application help overlay: a 158 x 200 panel in the top-left corner listing the keys and the
// live particle counts, rebuilt from its picture every frame and slid in and out from the
// left edge by cutting columns off its left side.
#include "app/Application.hpp"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kHelpPanelImage = 112;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kLightGrey = 0xC8C8C8;
constexpr std::uint32_t kBlack = 0;

const char* const kCommandLines[] = {
    "Smoke On/Off: Press S",      "Sparkler On/Off: Press K",    "Gravity Adjust: PgUp/PgDn",
    "Background On/Off: Press B", "Sparkler Colours: Press 1-8", "Cool (Side) Effect: Press C",
    "Reverse Sound L/R: Press R",
};

} // namespace

void Application::drawHelpOverlay()
{
    const Rect source{std::abs(helpSlide), 0, 158, 200};
    char sparklerLine[100];
    char smokeLine[100];
    std::snprintf(sparklerLine, sizeof sparklerLine, "Sparkler Particles: %d",
                  sparkler != nullptr ? sparkler->aliveCount : 0);
    std::snprintf(smokeLine, sizeof smokeLine, "Smoke Particles: %d", smoke != nullptr ? smoke->aliveCount : 0);

    if (helpSurface != nullptr) {
        helpSurface->destroy();
        helpSurface.reset();
    }
    if (screen->createSurfaceFromBitmap(&helpSurface, ImageName{kHelpPanelImage, nullptr}, 158, 200) < 0)
        return; // no panel this frame; the next one tries again
    helpSurface->setColourKey(kBlack);

    const Font* font = helpFont.get();
    helpSurface->drawText(font, "HELP", 10, 10, kBlack, kWhite);
    helpSurface->drawText(font, "Help Menu On/Off: Press H", 10, 25, kBlack, kWhite);
    for (int i = 0; i < 7; ++i)
        helpSurface->drawText(font, kCommandLines[i], 10, 40 + 15 * i, kBlack, kWhite);
    helpSurface->drawText(font, sparklerLine, 10, 150, kBlack, kLightGrey);
    helpSurface->drawText(font, smokeLine, 10, 165, kBlack, kLightGrey);
    helpSurface->drawText(font, "Dovrenko", 85, 185, kBlack, kWhite);

    // At 158 columns or more cut off, the rectangle is empty and the blit draws nothing.
    screen->blit(0, 0, helpSurface.get(), source);
}
