// SpriteAnim: which cell of a sprite sheet one particle shows.
// The sheet is borrowed from the emitter and never released here. Building a SpriteAnim makes
// its key colour the sheet's source colour key, so every launch sets the key again.
#pragma once

#include <cstdint>

class BitmapSurface;

struct SpriteAnim {
    SpriteAnim(BitmapSurface* animSheet, int width, int height, int frames, int rows, std::uint32_t key);

    BitmapSurface* getSheet() const { return sheet; }

    BitmapSurface* sheet;
    int frameWidth;
    int frameHeight;
    int frameCount;
    int rowCount; // stored only: drawing does not consult it
    int currentFrame = 0;
    int row = 0;
    std::uint32_t keyColour; // 0x00BBGGRR
};
