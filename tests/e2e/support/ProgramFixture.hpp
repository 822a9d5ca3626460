// The end-to-end fixture: a private X server (Xvfb, its display number chosen by the server
// itself) and the real program on it, driven with xdotool and watched through screenshots of
// the root window (ImageMagick's import), kept in SPARKLER_E2E_OUTPUT for a look after a run.
// A test skips itself when one of those tools is missing; every child is killed at teardown.
#pragma once

#include "support/Process.hpp"
#include "support/Screenshots.hpp"

#include <gtest/gtest.h>

namespace e2e {

constexpr const char* programPath = SPARKLER_PROGRAM;
constexpr const char* probePath = SPARKLER_PACING_PROBE;
constexpr const char* displayProbePath = SPARKLER_DISPLAY_PROBE;
constexpr const char* outputDir = SPARKLER_E2E_OUTPUT;
constexpr const char* windowTitle = "Quillaby: Sparkler - Dovrenko";

// The fixture: a private X server and the program on it.

class SparklerE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool", "import"}) {
            if (findOnPath(tool).empty())
                GTEST_SKIP() << tool << " is not installed; the end-to-end tests need Xvfb, xdotool and ImageMagick";
        }
        scratch = makeScratchDir();
        ASSERT_FALSE(scratch.empty()) << "cannot make a scratch directory";
        fs::create_directories(outputDir);
        ASSERT_NO_FATAL_FAILURE(startXServer());
        if (withWindowManager) {
            ASSERT_NO_FATAL_FAILURE(startWindowManager());
        }
    }

    void TearDown() override
    {
        stopProcess(program);
        stopProcess(windowManager);
        stopProcess(xServer);
        if (!scratch.empty()) {
            std::error_code ignored;
            fs::remove_all(scratch, ignored);
        }
    }

    void startXServer()
    {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        // The write end goes to the server as its descriptor 3, where it writes the display
        // number it has chosen.
        const int writeEnd = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
        ::close(fds[1]);
        SpawnOptions options;
        options.argv
            = {findOnPath("Xvfb"), "-displayfd", "3",
               "-screen",          "0",          std::to_string(shotWidth) + "x" + std::to_string(shotHeight) + "x24",
               "-nolisten",        "tcp"};
        options.env = cleanEnvironment();
        options.stderrPath = scratch + "/xvfb.log";
        options.fdAs3 = writeEnd;
        std::string error;
        xServer = spawn(options, error);
        ::close(writeEnd);
        if (xServer < 0) {
            ::close(fds[0]);
            FAIL() << error;
        }
        std::string number;
        const Clock::time_point deadline = Clock::now() + 20s;
        bool done = false;
        while (!done && Clock::now() < deadline) {
            pollfd waiting{fds[0], POLLIN, 0};
            const int ready = ::poll(&waiting, 1, 100);
            if (ready <= 0)
                continue;
            char c = 0;
            const ssize_t got = ::read(fds[0], &c, 1);
            if (got <= 0)
                break; // the server went away
            if (c == '\n')
                done = true;
            else
                number += c;
        }
        ::close(fds[0]);
        ASSERT_TRUE(done && !number.empty())
            << "Xvfb did not report a display within 20 s: " << readFile(scratch + "/xvfb.log");
        display = ":" + number;
    }

    // A small window manager (openbox), so that full screen fills a screen larger than the
    // frame; waits until it has announced itself on the root window.
    void startWindowManager()
    {
        const std::string openbox = findOnPath("openbox");
        if (openbox.empty() || findOnPath("xprop").empty())
            GTEST_SKIP() << "openbox or xprop is not installed; this test needs a window manager";
        SpawnOptions options;
        options.argv = {openbox, "--sm-disable"};
        options.env = childEnvironment();
        options.stderrPath = scratch + "/openbox.log";
        std::string error;
        windowManager = spawn(options, error);
        ASSERT_GT(windowManager, 0) << error;
        const bool managing = pollUntil(10s, [&] {
            const ToolResult check = tool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"});
            return check.exitCode == 0 && check.output.find("window id") != std::string::npos;
        });
        ASSERT_TRUE(managing) << "openbox did not start within 10 s: " << readFile(scratch + "/openbox.log");
    }

    std::vector<std::string> childEnvironment(const std::vector<std::string>& extra = {}) const
    {
        std::vector<std::string> env = cleanEnvironment();
        env.push_back("DISPLAY=" + display);
        env.push_back("XDG_RUNTIME_DIR=" + scratch);
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }

    ToolResult tool(std::vector<std::string> argv, Clock::duration timeout = 15s)
    {
        argv[0] = findOnPath(argv[0]);
        return runTool(argv, childEnvironment(), scratch, timeout);
    }

    // Starts the program (with the null sound backend unless told otherwise, and with the
    // given arguments), waits until its window is on screen, has the keyboard focus and shows
    // a frame.
    void startProgram(const std::vector<std::string>& extraEnv = {"ALSOFT_DRIVERS=null"},
                      const std::vector<std::string>& arguments = {})
    {
        SpawnOptions options;
        options.argv = launcher;
        options.argv.push_back(programPath);
        options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
        options.env = childEnvironment(extraEnv);
        options.stderrPath = scratch + "/program.err";
        options.stdoutPath = scratch + "/program.out";
        std::string error;
        program = spawn(options, error);
        ASSERT_GT(program, 0) << error;
        started = Clock::now();

        bool ended = false;
        const bool mapped = pollUntil(20s, [&] {
            int status = 0;
            if (::waitpid(program, &status, WNOHANG) == program) {
                ended = true;
                program = -1;
                return true;
            }
            const ToolResult found = tool({"xdotool", "search", "--onlyvisible", "--name", windowTitle});
            if (found.exitCode != 0)
                return false;
            windowId = found.output.substr(0, found.output.find('\n'));
            return !windowId.empty();
        });
        ASSERT_FALSE(ended) << "the program ended at start: " << programErrors();
        ASSERT_TRUE(mapped) << "no visible window named \"" << windowTitle << "\" within 20 s";

        // Without a window manager nobody hands out the focus: take it, and check. A loaded
        // machine may take seconds to map the window and answer, so the request is repeated
        // every half second until a generous deadline; a window that never gets it still fails.
        std::string focusedWindow;
        Clock::time_point lastRequest{};
        const bool focused = pollUntil(30s, [&] {
            const ToolResult now = tool({"xdotool", "getwindowfocus"});
            focusedWindow = now.exitCode == 0 ? now.output.substr(0, now.output.find('\n')) : "none";
            if (focusedWindow == windowId)
                return true;
            if (Clock::now() - lastRequest >= 500ms) {
                tool({"xdotool", "windowfocus", "--sync", windowId}, 5s);
                lastRequest = Clock::now();
            }
            return false;
        });
        ASSERT_TRUE(focused) << "the window did not get the keyboard focus within 30 s (focus on " << focusedWindow
                             << ", the window is " << windowId << ")";

        Image first;
        const bool drawn = pollUntil(15s, [&] {
            first = screenshot("first");
            return first.valid() && countIf(first, {0, 0, screenWidth, screenHeight}, isLit) > 1000;
        });
        ASSERT_TRUE(drawn) << "the screen stayed black for 15 s after the window appeared";
    }

    std::string programErrors() const { return readFile(scratch + "/program.err"); }

    // A screenshot of the whole screen, kept as <output>/<test>-<label>.png.
    Image screenshot(const std::string& label)
    {
        const std::string path = std::string(outputDir) + "/" + testName() + "-" + label + ".png";
        // Quality 10: fastest compression; the default costs more than a second a shot.
        const ToolResult shot = tool({"import", "-window", "root", "-quality", "10", path});
        if (shot.exitCode != 0)
            return {};
        Image image = loadPng(path);
        if (image.valid() && (image.width != shotWidth || image.height != shotHeight))
            ADD_FAILURE() << "the screenshot is " << image.width << "x" << image.height;
        return image;
    }

    // Polls screenshots until check holds on one (bounded); the last screenshot taken.
    Image screenshotWhen(const std::string& label, Clock::duration timeout,
                         const std::function<bool(const Image&)>& check, bool* held = nullptr)
    {
        Image image;
        const bool ok = pollUntil(
            timeout,
            [&] {
                image = screenshot(label);
                return image.valid() && check(image);
            },
            50ms);
        if (held != nullptr)
            *held = ok;
        return image;
    }

    void key(const std::string& name)
    {
        const ToolResult sent = tool({"xdotool", "key", name});
        ASSERT_EQ(sent.exitCode, 0) << "xdotool key " << name << ": " << sent.output;
    }

    bool running()
    {
        if (program <= 0)
            return false;
        int status = 0;
        return ::waitpid(program, &status, WNOHANG) == 0;
    }

    // The X server's screen; a test fixture may make it larger than the frame, with a window
    // manager on it.
    // What starts the program, when not the test itself: a shell that sets up its descriptors
    // and then execs it (the program's path and arguments follow).
    std::vector<std::string> launcher;
    int shotWidth = screenWidth;
    int shotHeight = screenHeight;
    bool withWindowManager = false;

    std::string scratch;
    std::string display;
    std::string windowId;
    pid_t xServer = -1;
    pid_t windowManager = -1;
    pid_t program = -1;
    Clock::time_point started;
};

} // namespace e2e
