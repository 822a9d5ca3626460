// End-to-end: a live session recorded and traced (--record, --trace) while xdotool drives it
// with mouse motion and the keys H, C, 8, K, S, Page Up and Escape, for several seconds; the
// replay tool then runs the record, with the seed and frame count of its header, and its
// trace must equal the live one line for line, frame hashes included. Each step waits for
// the record to show that the program took it (a deadline, not a fixed sleep), so a slow
// machine only makes the session longer.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

#include <sstream>

using namespace e2e;

namespace {

constexpr const char* replayPath = SPARKLER_REPLAY;



TEST_F(SparklerE2e, ARecordedLiveSessionReplaysToTheSameTrace)
{
    const std::string record = scratch + "/session.txt";
    const std::string liveTrace = scratch + "/live.jsonl";
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=null"}, {"--record", record, "--trace", liveTrace}));

    // Each key is sent, then waited for in the record: the frame after it names it.
    const std::vector<std::pair<std::string, std::string>> keys
        = {{"h", "H"}, {"c", "C"}, {"8", "8"}, {"Prior", "PageUp"}, {"k", "K"}, {"s", "S"}, {"Prior", "PageUp"}};
    int motions = 0;
    for (const auto& [xdotoolName, scriptName] : keys) {
        const std::string dx = std::to_string(40 + 25 * motions);
        const std::string dy = std::to_string(motions % 2 == 0 ? -30 : 45);
        ASSERT_EQ(tool({"xdotool", "mousemove_relative", "--", dx, dy}).exitCode, 0);
        ++motions;
        const std::size_t before = readFile(record).size();
        key(xdotoolName);
        const bool seen = pollUntil(10s, [&] {
            const std::string text = readFile(record);
            return text.size() > before && text.find(" key " + scriptName + "\n", before) != std::string::npos;
        });
        ASSERT_TRUE(seen) << "the record never showed the key " << scriptName << ": " << programErrors();
    }
    // Several seconds in all: at least 300 frames (the header's count moves every 60).
    ASSERT_TRUE(pollUntil(30s, [&] { return recordedFrames(record) >= 300; })) << readFile(record).substr(0, 300);
    ASSERT_EQ(tool({"xdotool", "mousemove_relative", "--", "-200", "10"}).exitCode, 0);
    const long long beforeEscape = recordedFrames(record);
    ASSERT_TRUE(pollUntil(10s, [&] { return recordedFrames(record) >= beforeEscape + 60; }));
    key("Escape");
    const std::optional<int> code = waitForExit(program, 10s);
    ASSERT_TRUE(code.has_value()) << "still running 10 s after Escape";
    program = -1;
    ASSERT_EQ(*code, 0) << programErrors();

    const std::string script = readFile(record);
    EXPECT_NE(script.find(" mouse "), std::string::npos) << "the mouse motion is in the record";
    EXPECT_NE(script.find(" key Escape\n"), std::string::npos) << "the Escape that ended the session comes last";
    const std::vector<std::string> live = fileLines(liveTrace);
    ASSERT_GE(live.size(), 300u);
    EXPECT_EQ(recordedFrames(record), static_cast<long long>(live.size()));

    const std::string replayTrace = scratch + "/replay.jsonl";
    const ToolResult replay
        = runTool({replayPath, "--script", record, "--trace", replayTrace}, childEnvironment(), scratch, 120s);
    ASSERT_EQ(replay.exitCode, 0) << replay.output;
    const std::vector<std::string> replayed = fileLines(replayTrace);
    ASSERT_EQ(replayed.size(), live.size());
    for (std::size_t i = 0; i < live.size(); ++i)
        ASSERT_EQ(replayed[i], live[i]) << "the replay parts from the live session at frame " << i;
    RecordProperty("frames", static_cast<int>(live.size()));
    std::printf("%zu frames, live and replayed alike\n", live.size());
}

} // namespace
