// Application help overlay: a 158 x 200 panel in the top-left corner listing the keys and the
// live particle counts, made anew from its picture every frame (its fixed lines copied from the
// first frame's lettering) and slid in and out from the left edge by cutting columns off its
// left side.
#include "app/Application.hpp"
#include "app/HelpTexts.hpp"

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int kHelpPanelImage = 112;
} // namespace

void Application::drawHelpOverlay()
{
    const Rect source{std::abs(helpSlide), 0, 158, 200};
    char sparklerLine[100];
    char smokeLine[100];
    std::snprintf(sparklerLine, sizeof sparklerLine, "%s%d", kHelpSparklerCount.text,
                  sparkler != nullptr ? sparkler->aliveCount : 0);
    std::snprintf(smokeLine, sizeof smokeLine, "%s%d", kHelpSmokeCount.text, smoke != nullptr ? smoke->aliveCount : 0);

    if (helpSurface != nullptr) {
        helpSurface->destroy();
        helpSurface.reset();
    }
    if (screen->createSurfaceFromBitmap(&helpSurface, ImageName{kHelpPanelImage, nullptr}, 158, 200) < 0)
        return; // no panel this frame; the next one tries again
    helpSurface->setColourKey(kHelpBackground);

    // The title and command lines never change and come first, so the panel after them is the
    // same every frame: it is lettered once and copied from then on. The count lines and the
    // signature after them are drawn every frame; the font keeps its rendered lines, so a line
    // is rendered again only when its text changes.
    const Font* font = helpFont.get();
    std::vector<std::uint16_t>& panel = helpSurface->surface->pixels;
    if (helpLetteredFont == font && helpLettered.size() == panel.size()) {
        panel = helpLettered;
    } else {
        for (const HelpLine& line : kHelpCommandLines)
            helpSurface->drawText(font, line.text, line.x, line.y, kHelpBackground, line.colour);
        helpLettered = panel;
        helpLetteredFont = font;
    }
    helpSurface->drawText(font, sparklerLine, kHelpSparklerCount.x, kHelpSparklerCount.y, kHelpBackground,
                          kHelpSparklerCount.colour);
    helpSurface->drawText(font, smokeLine, kHelpSmokeCount.x, kHelpSmokeCount.y, kHelpBackground,
                          kHelpSmokeCount.colour);
    helpSurface->drawText(font, kHelpSignature.text, kHelpSignature.x, kHelpSignature.y, kHelpBackground,
                          kHelpSignature.colour);

    // At 158 columns or more cut off, the rectangle is empty and the blit draws nothing.
    screen->blit(0, 0, helpSurface.get(), source);
}
