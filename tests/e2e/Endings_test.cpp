// End-to-end: the live program's endings and its outputs. Hang-up, quit, interrupt and
// terminate each close it as Escape does, and the X server dying under it ends it with its
// one line: every time, the record's count is the trace's length, the trace is in place with
// no temporary beside it, and the replay of the record gives the trace line for line. Started
// with its standard error closed, it keeps its messages (and a record on /dev/stderr) out of
// the display's connection and still answers PrintScreen and Escape. Under a window manager,
// its window destroyed by another program (alone, or as an interrupt closes it) closes it the
// same way, with no X error.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

#include <csignal>

using namespace e2e;

namespace {

constexpr const char* replayPath = SPARKLER_REPLAY;

class EndingsE2e : public SparklerE2e {
protected:
    // Starts the program piloted with a record and a trace, and waits for a second of frames.
    void startRecording()
    {
        record = scratch + "/session.txt";
        trace = scratch + "/live.jsonl";
        ASSERT_NO_FATAL_FAILURE(
            startProgram({"ALSOFT_DRIVERS=null"}, {"--window", "--autopilot", "--record", record, "--trace", trace}));
        ASSERT_TRUE(pollUntil(10s, [&] { return recordedFrames(record) >= 60; })) << programErrors();
    }

    // Waits for the program's end and checks that both outputs are whole and agree.
    void expectFinishedOutputs(int expectedCode, const std::string& ending)
    {
        SCOPED_TRACE(ending);
        const std::optional<int> code = waitForExit(program, 10s);
        ASSERT_TRUE(code.has_value()) << "still running 10 s after " << ending;
        program = -1;
        EXPECT_EQ(*code, expectedCode) << programErrors();
        for (const auto& entry : fs::directory_iterator(scratch))
            EXPECT_EQ(entry.path().filename().string().find(".live.jsonl."), std::string::npos)
                << "a temporary was left: " << entry.path();
        const std::vector<std::string> live = fileLines(trace);
        ASSERT_GE(live.size(), 60u) << "the trace was not put in place: " << programErrors();
        EXPECT_EQ(recordedFrames(record), static_cast<long long>(live.size()));
        const std::string replayTrace = scratch + "/replay.jsonl";
        const ToolResult replay
            = runTool({replayPath, "--script", record, "--trace", replayTrace}, childEnvironment(), scratch, 60s);
        ASSERT_EQ(replay.exitCode, 0) << replay.output;
        EXPECT_EQ(fileLines(replayTrace), live);
        for (const std::string& path : {record, trace, replayTrace})
            fs::remove(path);
    }

    std::string record;
    std::string trace;
};

TEST_F(EndingsE2e, EachCatchableSignalClosesItAsEscapeDoesWithItsOutputsWhole)
{
    const std::pair<int, const char*> signals[]
        = {{SIGHUP, "SIGHUP"}, {SIGQUIT, "SIGQUIT"}, {SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}};
    for (const auto& [signal, name] : signals) {
        ASSERT_NO_FATAL_FAILURE(startRecording());
        ::kill(program, signal);
        ASSERT_NO_FATAL_FAILURE(expectFinishedOutputs(0, name));
    }
}

TEST_F(EndingsE2e, ALostDisplayEndsItWithItsOutputsWhole)
{
    ASSERT_NO_FATAL_FAILURE(startRecording());
    const std::size_t before = programErrors().size();
    stopProcess(xServer);
    ASSERT_NO_FATAL_FAILURE(expectFinishedOutputs(1, "the X server's end"));
    EXPECT_EQ(programErrors().substr(before), "sparkler: the connection to the X display was lost\n");
}

TEST_F(EndingsE2e, AClosedStandardErrorKeepsItsMessagesOutOfTheDisplaysConnection)
{
    // Closed, descriptor 2 would go to the X connection: the screenshot's line and the record
    // on /dev/stderr would be written into it, and the program would hang in the display library.
    launcher = {"/bin/sh", "-c", "cd '" + scratch + "' && exec \"$0\" \"$@\" 2>&-"};
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=null"}, {"--window", "--record", "/dev/stderr"}));
    key("Print");
    const bool saved = pollUntil(10s, [&] {
        for (const auto& entry : fs::directory_iterator(scratch))
            if (entry.path().filename().string().rfind("sparkler-", 0) == 0 && entry.path().extension() == ".png")
                return true;
        return false;
    });
    EXPECT_TRUE(saved) << "PrintScreen saved no picture";
    key("Escape");
    const std::optional<int> code = waitForExit(program, 10s);
    ASSERT_TRUE(code.has_value()) << "still running 10 s after Escape";
    program = -1;
    EXPECT_EQ(*code, 0);
}

class WindowGoneE2e : public EndingsE2e {
protected:
    WindowGoneE2e() { withWindowManager = true; }
};

TEST_F(WindowGoneE2e, ItsWindowDestroyedByAnotherProgramClosesItWithItsOutputsWhole)
{
    ASSERT_NO_FATAL_FAILURE(startRecording());
    ASSERT_EQ(tool({"xdotool", "windowclose", windowId}).exitCode, 0);
    ASSERT_NO_FATAL_FAILURE(expectFinishedOutputs(0, "the window's destruction"));
    EXPECT_EQ(programErrors(), "sparkler: the window was destroyed by another program; stopping\n");
    // An interrupt's close crossing the destruction, in either order: the window goes while it
    // is being hidden, before SDL has heard of it, or just before the close takes it down.
    for (int round = 0; round < 4; ++round) {
        ASSERT_NO_FATAL_FAILURE(startRecording());
        if (round % 2 == 0)
            ::kill(program, SIGINT);
        tool({"xdotool", "windowclose", windowId});
        if (round % 2 == 1)
            ::kill(program, SIGINT);
        ASSERT_NO_FATAL_FAILURE(expectFinishedOutputs(0, "an interrupt and the window's destruction"));
        EXPECT_EQ(programErrors().find("X Error"), std::string::npos) << programErrors();
    }
}

} // namespace
