// FontBaker: turns a native font into a GlyphAtlas for a build without the font library.
// It bakes every printable ASCII glyph and the step between every pair of them, then checks
// each text it is given: a text the glyphs do not compose pixel for pixel is kept whole, so
// the atlas writes every given text exactly as the native font does.
#pragma once

#include "platform/Font.hpp"
#include "platform/GlyphAtlas.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct FontBakeReport {
    int keptLines = 0; // texts kept whole because composing them differed
    int checkedTexts = 0;
};

// texts: each with its colour on `background`; every colour pair met gets its shades.
// False with `error` set when a glyph or a text cannot be rendered.
bool bakeGlyphAtlas(const Font& font, const std::vector<std::pair<std::string, std::uint32_t>>& texts,
                    std::uint32_t background, GlyphAtlas& atlas, FontBakeReport& report, std::string& error);
