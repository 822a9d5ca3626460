// Both emitters over the background on the headless display: 600 frames of 16 ms, the last
// frame written to a PNG, and the run repeated to show that it is deterministic.
#include "platform/PngWriter.hpp"
#include "support/Scene.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::uint64_t fnv1a(const std::vector<std::uint16_t>& pixels)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::uint16_t p : pixels) {
        for (int shift : {0, 8}) {
            hash ^= static_cast<std::uint8_t>(p >> shift);
            hash *= 0x100000001b3ull;
        }
    }
    return hash;
}

} // namespace

TEST(HeadlessScene, SixHundredFramesOverTheBackground)
{
    SteadyScene scene(1, 600, 0.016);
    const std::vector<std::uint16_t>& frame = scene.screen.display.frame();
    ASSERT_EQ(frame.size(), 1024u * 768u);

    // Sparks fly and smoke rises: the pools are well filled and bursts come and go.
    EXPECT_GT(scene.sparkler->aliveCount, 300);
    EXPECT_GT(scene.smoke->aliveCount, 300);

    // The frame is the background except where particles were drawn.
    std::unique_ptr<BitmapSurface> background;
    ASSERT_EQ(scene.screen.device.createSurfaceFromBitmap(&background, ImageName{103, nullptr}, 1024, 768), S_OK);
    int changed = 0;
    int changedFar = 0;
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            if (frame[static_cast<std::size_t>(y) * 1024 + static_cast<std::size_t>(x)]
                == background->surface->row(y)[x])
                continue;
            ++changed;
            if (x < 100 || x > 924)
                ++changedFar;
        }
    }
    EXPECT_GT(changed, 1000);
    EXPECT_EQ(changedFar, 0); // nothing reaches that far from the centre in 1.7 s

    const std::string path = std::string(SPARKLER_TEST_OUTPUT) + "/headless-scene.png";
    EXPECT_TRUE(writePng(path.c_str(), frame.data(), 1024, 768));

    SteadyScene again(1, 600, 0.016);
    EXPECT_EQ(fnv1a(again.screen.display.frame()), fnv1a(frame));
    SteadyScene other(2, 600, 0.016);
    EXPECT_NE(fnv1a(other.screen.display.frame()), fnv1a(frame));
}
