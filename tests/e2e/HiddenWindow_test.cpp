// End-to-end: the live program's own window under a window manager (openbox), minimised and
// then wholly covered by another window. While it cannot be seen it makes no frames (its
// record does not grow) and its processor time, read from /proc, falls to a tenth or less of
// what the shown window took in the same run; on its return it goes on, and the record of the
// whole session replays to its live trace line for line, the long step after each hidden
// stretch included.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace e2e;

namespace {

constexpr const char* replayPath = SPARKLER_REPLAY;
constexpr const char* hostPath = SPARKLER_WINDOW_HOST;
constexpr auto measured = 3s;

// The process's user and system time so far, in clock ticks (fields 14 and 15 of its stat).
long long cpuTicks(pid_t pid)
{
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t afterName = stat.rfind(')');
    if (afterName == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(afterName + 2));
    std::string field;
    long long user = 0;
    long long system = 0;
    // The fields after the name start with the third, the state.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            user = std::atoll(field.c_str());
        if (index == 15)
            system = std::atoll(field.c_str());
    }
    return user + system;
}

class HiddenWindow : public SparklerE2e {
protected:
    HiddenWindow()
    {
        shotWidth = 1280;
        shotHeight = 1024;
        withWindowManager = true;
    }

    void TearDown() override
    {
        stopProcess(cover);
        SparklerE2e::TearDown();
    }

    // The program's processor time over the measured stretch, and whether its record grew.
    long long ticksOver(const std::string& record, bool* grew)
    {
        const std::size_t before = readFile(record).size();
        const long long start = cpuTicks(program);
        std::this_thread::sleep_for(measured);
        const long long spent = cpuTicks(program) - start;
        *grew = readFile(record).size() != before;
        return spent;
    }

    // Waits until the record has grown by a second of frames or more.
    bool framesGoOn(const std::string& record)
    {
        const long long before = recordedFrames(record);
        return pollUntil(10s, [&] { return recordedFrames(record) >= before + 60; });
    }

    pid_t cover = -1;
};

TEST_F(HiddenWindow, MinimisedOrCoveredItRestsAndItsRecordStillReplaysToItsTrace)
{
    const std::string record = scratch + "/session.txt";
    const std::string liveTrace = scratch + "/live.jsonl";
    ASSERT_NO_FATAL_FAILURE(
        startProgram({"ALSOFT_DRIVERS=null"}, {"--window", "--autopilot", "--record", record, "--trace", liveTrace}));
    ASSERT_TRUE(framesGoOn(record)) << programErrors();

    bool grew = false;
    const long long shown = ticksOver(record, &grew);
    ASSERT_TRUE(grew);
    ASSERT_GE(shown, 5) << "too little work measured in a shown window to compare against";

    ASSERT_EQ(tool({"xdotool", "windowminimize", "--sync", windowId}).exitCode, 0);
    std::this_thread::sleep_for(300ms); // the last frames before the window went
    const long long minimised = ticksOver(record, &grew);
    EXPECT_FALSE(grew) << "frames were made while the window was minimised";
    EXPECT_LE(minimised * 10, shown) << "minimised: " << minimised << " ticks, shown: " << shown;

    tool({"xdotool", "windowactivate", "--sync", windowId});
    ASSERT_TRUE(framesGoOn(record)) << "no frames after the window came back";

    // A window of another program over the whole screen.
    SpawnOptions options;
    options.argv = {hostPath, std::to_string(shotWidth), std::to_string(shotHeight)};
    options.env = childEnvironment();
    options.stdoutPath = scratch + "/host.out";
    std::string error;
    cover = spawn(options, error);
    ASSERT_GT(cover, 0) << error;
    std::string coverId;
    ASSERT_TRUE(pollUntil(10s, [&] {
        const std::string text = readFile(scratch + "/host.out");
        coverId = text.substr(0, text.find('\n'));
        return text.find('\n') != std::string::npos;
    }));
    tool({"xdotool", "windowmove", "--sync", coverId, "0", "0"});
    tool({"xdotool", "windowsize", "--sync", coverId, std::to_string(shotWidth), std::to_string(shotHeight)});
    std::this_thread::sleep_for(300ms);
    const long long covered = ticksOver(record, &grew);
    EXPECT_FALSE(grew) << "frames were made while the window was covered";
    EXPECT_LE(covered * 10, shown) << "covered: " << covered << " ticks, shown: " << shown;

    stopProcess(cover);
    cover = -1;
    ASSERT_TRUE(framesGoOn(record)) << "no frames after the cover went";
    ::kill(program, SIGTERM);
    ASSERT_EQ(waitForExit(program, 5s), std::optional<int>(0)) << programErrors();
    program = -1;
    RecordProperty("ticks_shown", static_cast<int>(shown));
    RecordProperty("ticks_minimised", static_cast<int>(minimised));
    RecordProperty("ticks_covered", static_cast<int>(covered));
    std::printf("ticks over %llds: shown %lld, minimised %lld, covered %lld\n",
                static_cast<long long>(measured.count()), shown, minimised, covered);

    // Each hidden stretch is one long step in the record; the replay takes it as it stands.
    const std::string script = readFile(record);
    int longSteps = 0;
    for (std::size_t at = script.find(" dt "); at != std::string::npos; at = script.find(" dt ", at + 1))
        longSteps += std::atoi(script.c_str() + at + 4) >= 2500 ? 1 : 0;
    EXPECT_EQ(longSteps, 2) << "one step each as long as the window was minimised and covered";
    const std::string replayTrace = scratch + "/replay.jsonl";
    const ToolResult replay
        = runTool({replayPath, "--script", record, "--trace", replayTrace}, childEnvironment(), scratch, 120s);
    ASSERT_EQ(replay.exitCode, 0) << replay.output;
    const std::vector<std::string> live = fileLines(liveTrace);
    const std::vector<std::string> replayed = fileLines(replayTrace);
    ASSERT_EQ(replayed.size(), live.size());
    for (std::size_t i = 0; i < live.size(); ++i)
        ASSERT_EQ(replayed[i], live[i]) << "the replay parts from the live session at frame " << i;
    EXPECT_TRUE(readFile(replayTrace) == readFile(liveTrace)) << "the traces differ byte for byte";
}

} // namespace
