// Shrinking the program's RGB565 frame straight into a smaller 32-bit window surface (a
// screensaver's preview, a small window): each pixel of the scaled picture is blended from the
// four frame pixels around its centre, as SDL's linear scaling does, so that only the small
// picture's pixels are read and written instead of the whole frame being widened first and
// scaled after. Where the scene goes in a window of any size, with its proportions kept.
#pragma once

#include <SDL.h>

#include <cstdint>

class ChangedBands;

// The largest rectangle of the frame's proportions that fits the window, centred: the rest of
// the window is the black bars.
SDL_Rect fittedScene(int frameWidth, int frameHeight, int windowWidth, int windowHeight);

// Scales the frame (`frameWidth` x `frameHeight`, rows `frameWidth` apart) into `scene` of the
// target, whose rows are `pitch` bytes apart, in the layout's 8-bit channels (alpha full).
// Nothing outside `scene` is touched. The scene must be no larger than the frame either way.
// When the target holds the scaled frame shown before and `mayDiffer` says where the new frame
// may differ from that one, only the scene's pixels blended from those places are written.
// Returns the rectangle around what was written (empty when nothing was).
SDL_Rect shrinkInto(const std::uint16_t* frame, int frameWidth, int frameHeight, unsigned char* target, int pitch,
                    const SDL_Rect& scene, const SDL_PixelFormat& layout, const ChangedBands* mayDiffer = nullptr);
