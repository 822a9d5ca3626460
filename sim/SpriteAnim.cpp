// SpriteAnim: per-particle animation state on a borrowed sprite sheet.
#include "sim/SpriteAnim.hpp"

#include "gfx/BitmapSurface.hpp"

SpriteAnim::SpriteAnim(BitmapSurface* animSheet, int width, int height, int frames, int rows, std::uint32_t key)
    : sheet(animSheet), frameWidth(width), frameHeight(height), frameCount(frames), rowCount(rows), keyColour(key)
{
    if (sheet != nullptr)
        sheet->setColourKey(keyColour);
}
