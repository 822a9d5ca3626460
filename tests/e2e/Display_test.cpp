// End-to-end: the display backend puts on screen exactly the frame it was last given, pixel
// for pixel, after an animation in which only parts of each frame changed, whether or not it
// was told where they changed.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// Run with no hint of what changed, the backend finds the changes itself; with --hinted it
// compares only the columns the probe names, and must still miss nothing.
TEST_F(SparklerE2e, DisplayBackendShowsTheLastFrameExactly)
{
    for (const std::string mode : {"plain", "hinted"}) {
        SCOPED_TRACE(mode);
        const std::string expected = scratch + "/expected-" + mode + ".png";
        SpawnOptions options;
        options.argv = {displayProbePath, expected};
        if (mode == "hinted")
            options.argv.push_back("--hinted");
        options.env = childEnvironment();
        options.stdoutPath = scratch + "/probe-" + mode + ".out";
        options.stderrPath = scratch + "/probe-" + mode + ".err";
        std::string error;
        program = spawn(options, error);
        ASSERT_GT(program, 0) << error;
        const bool ready
            = pollUntil(20s, [&] { return readFile(options.stdoutPath).find("shown") != std::string::npos; });
        ASSERT_TRUE(ready) << "the probe did not show its frames within 20 s: " << readFile(options.stderrPath);

        const Image frame = loadPng(expected);
        ASSERT_TRUE(frame.valid());
        const Image shot = screenshot("last-frame-" + mode);
        ASSERT_TRUE(shot.valid());
        ASSERT_EQ(frame.width, shot.width);
        ASSERT_EQ(frame.height, shot.height);
        int wrong = 0;
        int firstX = -1;
        int firstY = -1;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                const Rgb want = frame.at(x, y);
                const Rgb got = shot.at(x, y);
                if (want.r != got.r || want.g != got.g || want.b != got.b) {
                    if (wrong++ == 0) {
                        firstX = x;
                        firstY = y;
                    }
                }
            }
        EXPECT_EQ(wrong, 0) << "pixels that differ from the frame; the first at " << firstX << "," << firstY;

        const std::optional<int> code = waitForExit(program, 20s);
        ASSERT_TRUE(code.has_value()) << "the probe did not end";
        program = -1;
        EXPECT_EQ(*code, 0) << readFile(options.stderrPath);
    }
}

} // namespace
