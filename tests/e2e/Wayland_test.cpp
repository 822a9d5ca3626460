// End-to-end: the live program on a Wayland display that offers no seat, weston's headless
// compositor (no keyboard, no mouse). Alone there it says why in one line and exits 1, never
// a crash, whether SDL picks Wayland itself or is told to; with an X display named beside it
// (as XWayland gives one) it opens its window there and quits on Escape.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

class WaylandE2e : public SparklerE2e {
protected:
    void SetUp() override
    {
        if (findOnPath("weston").empty())
            GTEST_SKIP() << "weston is not installed; this test needs its headless compositor";
        SparklerE2e::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        SpawnOptions options;
        options.argv = {findOnPath("weston"), "--backend=headless-backend.so", "--socket=" + socketName,
                        "--idle-time=0"};
        options.env = childEnvironment();
        options.stderrPath = scratch + "/weston.log";
        std::string error;
        compositor = spawn(options, error);
        ASSERT_GT(compositor, 0) << error;
        ASSERT_TRUE(pollUntil(15s, [&] { return fs::exists(scratch + "/" + socketName); }))
            << "weston did not open its socket within 15 s: " << readFile(scratch + "/weston.log");
    }

    void TearDown() override
    {
        stopProcess(compositor);
        SparklerE2e::TearDown();
    }

    // The program on the compositor alone (no X display): its exit code and standard error.
    ToolResult runWithoutX(const std::vector<std::string>& extra)
    {
        std::vector<std::string> env = cleanEnvironment();
        env.push_back("XDG_RUNTIME_DIR=" + scratch);
        env.push_back("WAYLAND_DISPLAY=" + socketName);
        env.push_back("ALSOFT_DRIVERS=null");
        env.insert(env.end(), extra.begin(), extra.end());
        ToolResult result = runTool({programPath, "--window"}, env, scratch, 10s);
        result.output = readFile(scratch + "/tool.err");
        return result;
    }

    const std::string socketName = "sparkler-wayland";
    pid_t compositor = -1;
};

TEST_F(WaylandE2e, WithoutASeatItSaysWhyInOneLineInsteadOfCrashing)
{
    for (const std::vector<std::string>& extra :
         {std::vector<std::string>{}, std::vector<std::string>{"SDL_VIDEODRIVER=wayland"}}) {
        SCOPED_TRACE(extra.empty() ? "SDL's own choice" : extra[0]);
        const ToolResult run = runWithoutX(extra);
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        EXPECT_EQ(run.output.rfind("sparkler: The Wayland display \"" + socketName + "\" offers no seat", 0), 0u)
            << run.output;
    }
}

TEST_F(WaylandE2e, WithAnXDisplayBesideItTheWindowOpensThere)
{
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=null", "WAYLAND_DISPLAY=" + socketName}, {"--window"}));
    key("Escape");
    const std::optional<int> code = waitForExit(program, 10s);
    ASSERT_TRUE(code.has_value()) << "still running 10 s after Escape";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
}

} // namespace
