// The five pictures the generator writes: the sprite sheets and the help panel from fixed
// tables, and the background synthesised.
#pragma once

#include "images/ImageKit.hpp"

namespace images {

Picture makeSparkSheet();
Picture makeBurstSheet();
Picture makeSmokeSheet();
Picture makeHelpPanel();
Picture makeBackground();

} // namespace images
