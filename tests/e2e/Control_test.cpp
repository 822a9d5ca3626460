// End-to-end: relative mouse motion carries the sparkler; Escape and F12 quit with exit code 0;
// without a display the program says so in one line.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

// ---------------------------------------------------------------------------------------------
// Mouse

TEST_F(SparklerE2e, RelativeMouseMotionCarriesTheSparkler)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("b");
    bool held = false;
    const Image before = screenshotWhen(
        "before", 4s,
        [](const Image& image) { return backgroundBlack(image) && countIf(image, belowEmitter, isSparkColour) >= 300; },
        &held);
    ASSERT_TRUE(held) << "no falling sparks over black";
    const Centroid from = sparkCentroid(before);
    ASSERT_GE(from.count, 300);
    EXPECT_NEAR(from.x, centreX, 60);
    EXPECT_GT(from.y, centreY) << "the sparks hang below the emitter";

    const ToolResult moved = tool({"xdotool", "mousemove_relative", "--", "250", "-150"});
    ASSERT_EQ(moved.exitCode, 0) << moved.output;
    const Clock::time_point movedAt = Clock::now();
    Centroid to;
    screenshotWhen(
        "after", 5s,
        [&](const Image& image) {
            to = sparkCentroid(image);
            return Clock::now() - movedAt >= 1200ms && to.count >= 300 && std::abs(to.x - from.x - 250) < 60
                && std::abs(to.y - from.y + 150) < 70;
        },
        &held);
    EXPECT_TRUE(held) << "spark centroid moved from (" << from.x << ", " << from.y << ") to (" << to.x << ", " << to.y
                      << ") over " << to.count << " pixels; expected about (+250, -150)";
    std::printf("spark centroid moved by (%+.0f, %+.0f)\n", to.x - from.x, to.y - from.y);
}

// ---------------------------------------------------------------------------------------------
// Quitting

TEST_F(SparklerE2e, EscapeQuitsWithExitCodeZeroWithinASecond)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    const Clock::time_point pressed = Clock::now();
    key("Escape");
    const std::optional<int> code = waitForExit(program, 5s, 1ms);
    const double took = seconds(Clock::now() - pressed);
    ASSERT_TRUE(code.has_value()) << "still running 5 s after Escape";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
    EXPECT_LT(took, 1.0) << "Escape to exit took " << took << " s";
    RecordProperty("escape_to_exit_ms", static_cast<int>(took * 1000));
    std::printf("Escape to exit: %.0f ms\n", took * 1000);
}

TEST_F(SparklerE2e, F12QuitsWithExitCodeZero)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("F12");
    const std::optional<int> code = waitForExit(program, 5s);
    ASSERT_TRUE(code.has_value()) << "still running 5 s after F12";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
}

TEST_F(SparklerE2e, ALostDisplayEndsWithOneLineOfOursAndExitCodeOne)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    const std::size_t before = programErrors().size();
    stopProcess(xServer); // the X server goes away under the running program
    const std::optional<int> code = waitForExit(program, 10s);
    ASSERT_TRUE(code.has_value()) << "still running 10 s after the X server went away";
    program = -1;
    const std::string said = programErrors().substr(before);
    EXPECT_EQ(*code, 1) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << "stderr: " << said;
    EXPECT_EQ(said.rfind("sparkler: ", 0), 0u) << "stderr: " << said;
    EXPECT_NE(said.find("display"), std::string::npos) << "stderr: " << said;
}

// ---------------------------------------------------------------------------------------------
// Without a display

TEST(SparklerWithoutDisplay, SaysSoInOneLineAndExitsWithOne)
{
    const std::string scratch = makeScratchDir();
    ASSERT_FALSE(scratch.empty());
    struct RemoveAtEnd {
        const std::string& dir;
        ~RemoveAtEnd()
        {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    } removeAtEnd{scratch};
    struct Case {
        const char* name;
        std::vector<std::string> extra;
        bool runtimeDir = true;
    };
    // Without XDG_RUNTIME_DIR the Wayland library has a line of its own to print; it must not.
    const Case cases[] = {{"DISPLAY unset", {}},
                          {"DISPLAY=:99999", {"DISPLAY=:99999"}},
                          {"DISPLAY and XDG_RUNTIME_DIR unset", {}, false},
                          {"DISPLAY=:99999, XDG_RUNTIME_DIR unset", {"DISPLAY=:99999"}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SpawnOptions options;
        options.argv = {programPath};
        options.env = cleanEnvironment();
        options.env.push_back("ALSOFT_DRIVERS=null");
        if (c.runtimeDir)
            options.env.push_back("XDG_RUNTIME_DIR=" + scratch);
        options.env.insert(options.env.end(), c.extra.begin(), c.extra.end());
        options.stderrPath = scratch + "/err.txt";
        std::string error;
        pid_t pid = spawn(options, error);
        ASSERT_GT(pid, 0) << error;
        const std::optional<int> code = waitForExit(pid, 5s);
        if (!code)
            stopProcess(pid);
        const std::string err = readFile(scratch + "/err.txt");
        ASSERT_TRUE(code.has_value()) << "still running 5 s after start without a display; stderr: " << err;
        EXPECT_EQ(*code, 1);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "stderr: " << err;
        EXPECT_TRUE(!err.empty() && err.back() == '\n') << "stderr: " << err;
        EXPECT_GT(err.size(), 10u) << "stderr: " << err;
        EXPECT_EQ(err.rfind("sparkler: ", 0), 0u) << "the one line is the program's own; stderr: " << err;
        if (c.extra.empty())
            EXPECT_NE(err.find("DISPLAY is not set"), std::string::npos) << "stderr: " << err;
        else
            EXPECT_NE(err.find("the X display \":99999\" could not be opened"), std::string::npos)
                << "a dead display is named; stderr: " << err;
    }
}

} // namespace
