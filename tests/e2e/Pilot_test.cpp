// End-to-end: the live program on its own pilot. With --autopilot it moves by itself and
// presses its keys, and real mouse motion (xdotool) takes over at once: the sparkler stays
// where the hand left it. With --write it writes its words with the light drawn. Each session
// is recorded and traced, and the replay of the record gives the live trace line for line.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace e2e;

namespace {

constexpr const char* replayPath = SPARKLER_REPLAY;



// The frames of a record that carry mouse motion.
std::vector<long long> framesWithMotion(const std::string& record)
{
    std::vector<long long> frames;
    for (const std::string& line : fileLines(record)) {
        if (line.find(" mouse ") != std::string::npos)
            frames.push_back(std::atoll(line.c_str()));
    }
    return frames;
}

class PilotE2e : public SparklerE2e {
protected:
    // Ends the program with Escape, then replays its record and compares the traces.
    void endAndReplay(const std::string& record, const std::string& liveTrace)
    {
        key("Escape");
        const std::optional<int> code = waitForExit(program, 10s);
        ASSERT_TRUE(code.has_value()) << "still running 10 s after Escape";
        program = -1;
        ASSERT_EQ(*code, 0) << programErrors();
        const std::vector<std::string> live = fileLines(liveTrace);
        const std::string replayTrace = scratch + "/replay.jsonl";
        const ToolResult replay
            = runTool({replayPath, "--script", record, "--trace", replayTrace}, childEnvironment(), scratch, 120s);
        ASSERT_EQ(replay.exitCode, 0) << replay.output;
        const std::vector<std::string> replayed = fileLines(replayTrace);
        ASSERT_EQ(replayed.size(), live.size());
        for (std::size_t i = 0; i < live.size(); ++i)
            ASSERT_EQ(replayed[i], live[i]) << "the replay parts from the live session at frame " << i;
    }
};

TEST_F(PilotE2e, TheAutopilotMovesByItselfUntilRealMouseMotionTakesOver)
{
    const std::string record = scratch + "/piloted.txt";
    const std::string liveTrace = scratch + "/piloted.jsonl";
    ASSERT_NO_FATAL_FAILURE(
        startProgram({"ALSOFT_DRIVERS=null"}, {"--window", "--autopilot", "--record", record, "--trace", liveTrace}));
    ASSERT_TRUE(pollUntil(30s, [&] { return recordedFrames(record) >= 300; }));
    screenshot("piloted");
    const std::string early = readFile(record);
    EXPECT_NE(early.find("\n0 key H\n"), std::string::npos) << "the pilot hides the help panel first";
    const std::vector<long long> moving = framesWithMotion(record);
    EXPECT_GT(moving.size(), 150u) << "the pilot moves the sparkler most of the time";

    // A hand on the mouse: from then on only the hand moves the sparkler.
    ASSERT_EQ(tool({"xdotool", "mousemove_relative", "--", "60", "-40"}).exitCode, 0);
    const long long touched = recordedFrames(record);
    ASSERT_TRUE(pollUntil(30s, [&] { return recordedFrames(record) >= touched + 240; }));
    const long long seen = recordedFrames(record);
    const std::vector<long long> all = framesWithMotion(record);
    ASSERT_FALSE(all.empty());
    EXPECT_LT(all.back(), seen - 150) << "the sparkler still moved 150 frames after the hand took over";
    ASSERT_NO_FATAL_FAILURE(endAndReplay(record, liveTrace));
}

TEST_F(PilotE2e, WordsAreWrittenInLightAndTheRecordReplaysThem)
{
    const std::string record = scratch + "/written.txt";
    const std::string liveTrace = scratch + "/written.jsonl";
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=null"}, {"--write", "Hi", "--record", record, "--trace", liveTrace}));
    const bool written = pollUntil(60s, [&] { return readFile(record).find(" pen done\n") != std::string::npos; });
    ASSERT_TRUE(written) << "the words were never finished: " << programErrors();
    // The light of the words: many pixels of its warm white (the sparks are other colours).
    const Image shot = screenshot("written");
    int lit = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const Rgb c = shot.at(x, y);
            lit += c.r >= 240 && c.g >= 215 && c.b >= 190 && c.r > c.b + 8;
        }
    }
    EXPECT_GT(lit, 700) << "the written light is not on the screen";
    const std::string text = readFile(record);
    EXPECT_NE(text.find(" pen down\n"), std::string::npos);
    ASSERT_NO_FATAL_FAILURE(endAndReplay(record, liveTrace));
}

} // namespace
