// The two sounds the generator writes, each made in a file of its own.
#pragma once

#include "sounds/SoundKit.hpp"

namespace sounds {

// The fizz and crackle of a burning hand-held sparkler: mono, 2.0 s, an endless loop.
Buffer makeSparkler();
// A calm night by a lake (wind, water, crickets, far-off fireworks): stereo, 20 s, a loop.
Stereo makeBackground();

} // namespace sounds
