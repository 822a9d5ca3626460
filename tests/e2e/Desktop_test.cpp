// End-to-end: the program as a desktop starts it. On a 2048 x 1536 screen, with a window manager
// or without one, full screen fills the screen, and one count of mouse motion is one frame pixel; --window gives
// a 1024 x 768 window with the program's icon; --help, --version, an unknown option and a
// monitor that does not exist answer at once, with no window, and the right exit code.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace e2e;

namespace {

// A screen twice the frame each way, with openbox on it.
class SparklerOnALargeScreen : public SparklerE2e {
protected:
    SparklerOnALargeScreen()
    {
        shotWidth = 2 * screenWidth;
        shotHeight = 2 * screenHeight;
        withWindowManager = true;
    }

    struct Geometry {
        int x = -1, y = -1, width = 0, height = 0;
    };

    // The window's place and size as the X server has it (xdotool's shell output: X=, Y=,
    // WIDTH=, HEIGHT= lines).
    Geometry windowGeometry()
    {
        Geometry g;
        const ToolResult shown = tool({"xdotool", "getwindowgeometry", "--shell", windowId});
        if (shown.exitCode != 0)
            return g;
        std::istringstream lines(shown.output);
        std::string line;
        while (std::getline(lines, line)) {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            const std::string key = line.substr(0, eq);
            const int value = std::atoi(line.c_str() + eq + 1);
            if (key == "X")
                g.x = value;
            else if (key == "Y")
                g.y = value;
            else if (key == "WIDTH")
                g.width = value;
            else if (key == "HEIGHT")
                g.height = value;
        }
        return g;
    }
};

// The screenshot brought back to the frame's own pixels: each 2 x 2 block averaged.
Image halved(const Image& image)
{
    Image half;
    half.width = image.width / 2;
    half.height = image.height / 2;
    half.rgb.resize(static_cast<std::size_t>(half.width) * static_cast<std::size_t>(half.height) * 3);
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            const Rgb a = image.at(2 * x, 2 * y);
            const Rgb b = image.at(2 * x + 1, 2 * y);
            const Rgb c = image.at(2 * x, 2 * y + 1);
            const Rgb d = image.at(2 * x + 1, 2 * y + 1);
            const std::size_t i
                = (static_cast<std::size_t>(y) * static_cast<std::size_t>(half.width) + static_cast<std::size_t>(x)) * 3;
            half.rgb[i] = static_cast<unsigned char>((a.r + b.r + c.r + d.r + 2) / 4);
            half.rgb[i + 1] = static_cast<unsigned char>((a.g + b.g + c.g + d.g + 2) / 4);
            half.rgb[i + 2] = static_cast<unsigned char>((a.b + b.b + c.b + d.b + 2) / 4);
        }
    }
    return half;
}

TEST_F(SparklerOnALargeScreen, HundredCountsOfMotionMoveTheSparklerAHundredFramePixels)
{
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=null"}, {"--display", "0"}));
    const Geometry full = windowGeometry();
    EXPECT_EQ(full.width, shotWidth) << "full screen should fill the screen";
    EXPECT_EQ(full.height, shotHeight);
    key("b"); // black behind the sparks
    key("2"); // one colour: orange

    bool held = false;
    Centroid from;
    screenshotWhen(
        "before", 4s,
        [&](const Image& image) {
            const Image frame = halved(image);
            from = sparkCentroid(frame);
            // The spray is judged once it has reached its steady shape: while its first sparks
            // are still falling, its centre sinks with no motion at all.
            return Clock::now() - started >= 2s && backgroundBlack(frame)
                && countIf(frame, belowEmitter, isSparkColour) >= 300;
        },
        &held);
    ASSERT_TRUE(held) << "no falling sparks over black on the large screen";
    EXPECT_NEAR(from.x, centreX, 40) << "the sparkler starts at the frame's centre";

    const ToolResult moved = tool({"xdotool", "mousemove_relative", "--", "100", "0"});
    ASSERT_EQ(moved.exitCode, 0) << moved.output;
    const Clock::time_point movedAt = Clock::now();
    Centroid to;
    screenshotWhen(
        "after", 5s,
        [&](const Image& image) {
            to = sparkCentroid(halved(image));
            return Clock::now() - movedAt >= 1200ms && to.count >= 300 && std::abs(to.x - from.x - 100) < 20;
        },
        &held);
    // Scaled by the renderer, as SDL does by default, the same motion would be 50 frame pixels.
    EXPECT_TRUE(held) << "100 counts moved the sparks' centre by " << to.x - from.x << " frame pixels, not 100";
    // A spray that has just moved sideways settles lower by up to about 30 frame pixels (1.5 to
    // 32 over ten runs here); motion read on the wrong axis would move it by about 100.
    EXPECT_NEAR(to.y, from.y, 45) << "sideways motion moved the sparkler up or down";
    std::printf("100 counts moved the sparkler %+.1f frame pixels across, %+.1f down\n", to.x - from.x,
                to.y - from.y);
}

TEST_F(SparklerOnALargeScreen, WindowOptionGivesAWindowOfTheFrameWithTheProgramsIcon)
{
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=null"}, {"--window"}));
    const Geometry window = windowGeometry();
    EXPECT_EQ(window.width, screenWidth);
    EXPECT_EQ(window.height, screenHeight);
    // The scene is inside the window, and the rest of the screen stays the desktop's black.
    const Image shot = screenshot("window");
    ASSERT_TRUE(shot.valid());
    const int insideX = std::clamp(window.x, 0, shotWidth - screenWidth);
    const int insideY = std::clamp(window.y, 0, shotHeight - screenHeight);
    EXPECT_GT(countIf(shot, {insideX, insideY, insideX + screenWidth, insideY + screenHeight}, isLit), 100000);
    const Region outside = window.x >= screenWidth / 2 ? Region{0, 0, 200, shotHeight}
                                                       : Region{shotWidth - 200, 0, shotWidth, shotHeight};
    EXPECT_EQ(countIf(shot, outside, isLit), 0) << "something is drawn outside the window";

    const ToolResult icon = tool({"xprop", "-id", windowId, "_NET_WM_ICON"});
    EXPECT_NE(icon.output.find("Icon (64 x 64)"), std::string::npos) << icon.output.substr(0, 200);

    // Alt+Enter still switches to full screen.
    key("alt+Return");
    const bool filled = pollUntil(5s, [&] {
        const Geometry g = windowGeometry();
        return g.width == shotWidth && g.height == shotHeight;
    });
    EXPECT_TRUE(filled) << "Alt+Enter did not make the window full screen";
}

// The same screen with no window manager: nothing answers a request for full screen there, so
// the program covers the monitor with a borderless window of its own.
class SparklerOnABareLargeScreen : public SparklerOnALargeScreen {
protected:
    SparklerOnABareLargeScreen() { withWindowManager = false; }
};

TEST_F(SparklerOnABareLargeScreen, FullScreenStillFillsTheScreenAndAltEnterGivesAWindow)
{
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=null"}, {}));
    const Geometry full = windowGeometry();
    EXPECT_EQ(full.x, 0);
    EXPECT_EQ(full.y, 0);
    EXPECT_EQ(full.width, shotWidth) << "full screen should fill the screen";
    EXPECT_EQ(full.height, shotHeight);
    // The scaled scene reaches the screen's far side: the night sky is lit there, where a
    // window of the frame's size would leave the desktop's black.
    const Image shot = screenshot("bare-full");
    ASSERT_TRUE(shot.valid());
    EXPECT_GT(countIf(shot, {shotWidth - 400, 100, shotWidth, 400}, isLit), 100000);

    key("alt+Return");
    const bool windowed = pollUntil(5s, [&] {
        const Geometry g = windowGeometry();
        return g.width == screenWidth && g.height == screenHeight;
    });
    EXPECT_TRUE(windowed) << "Alt+Enter did not give a window of the frame's size";
    key("alt+Return");
    const bool filled = pollUntil(5s, [&] {
        const Geometry g = windowGeometry();
        return g.x == 0 && g.y == 0 && g.width == shotWidth && g.height == shotHeight;
    });
    EXPECT_TRUE(filled) << "Alt+Enter did not make the window full screen again";
}

TEST_F(SparklerE2e, DisplayOfAMonitorThatDoesNotExistIsOneLineAndExitTwo)
{
    const ToolResult run = runTool({programPath, "--display", "3"}, childEnvironment({"ALSOFT_DRIVERS=null"}), scratch, 5s);
    const std::string err = readFile(scratch + "/tool.err");
    EXPECT_EQ(run.exitCode, 2) << err;
    EXPECT_EQ(err, "sparkler: --display 3: there is no monitor 3; this desktop has 1 (numbered from 0)\n");
    EXPECT_TRUE(run.output.empty()) << run.output;
}

// Without any display: these answer before a window is thought of (one would fail with 1).
TEST(SparklerWithoutDisplay, HelpVersionAndAnUnknownOptionNeedNoDisplay)
{
    const std::string scratch = makeScratchDir();
    ASSERT_FALSE(scratch.empty());
    std::vector<std::string> env = cleanEnvironment();
    env.push_back("XDG_RUNTIME_DIR=" + scratch);

    const ToolResult help = runTool({programPath, "--help"}, env, scratch, 5s);
    EXPECT_EQ(help.exitCode, 0) << readFile(scratch + "/tool.err");
    EXPECT_NE(help.output.find("Usage: sparkler [OPTIONS]"), std::string::npos) << help.output;
    EXPECT_NE(help.output.find("--display N"), std::string::npos) << help.output;

    const ToolResult version = runTool({programPath, "--version"}, env, scratch, 5s);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("sparkler ", 0), 0u) << version.output;
    EXPECT_EQ(std::count(version.output.begin(), version.output.end(), '\n'), 1) << version.output;

    const ToolResult unknown = runTool({programPath, "--fullscreen"}, env, scratch, 5s);
    const std::string err = readFile(scratch + "/tool.err");
    EXPECT_EQ(unknown.exitCode, 2) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("--fullscreen"), std::string::npos) << err;
    EXPECT_TRUE(unknown.output.empty());

    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

} // namespace
