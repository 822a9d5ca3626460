// The replay tool: its script reader, its trace, and a deterministic run.
#include "replay/Replay.hpp"

#include "sim/Random.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> run(ReplayOptions options, int* exitCode = nullptr)
{
    std::ostringstream trace;
    std::string error;
    const int code = runReplay(options, &trace, error);
    if (exitCode != nullptr)
        *exitCode = code;
    std::vector<std::string> lines;
    std::istringstream in(trace.str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ReplayOptions options(std::uint32_t seed, std::int64_t frames, const std::string& script = "")
{
    ReplayOptions o;
    o.seed = seed;
    o.frames = frames;
    std::string error;
    EXPECT_TRUE(o.script.parse(script, "test", error)) << error;
    return o;
}

} // namespace

TEST(ReplayScript, ReadsEveryEventKind)
{
    ReplayScript script;
    std::string error;
    ASSERT_TRUE(script.parse("# a comment\n\n3 key Escape\n3 key 66  # B by code\n2 key 8\n"
                             "5 mouse 10 -4\n5 mouse 1 1\n7 dt 100\n",
                             "s", error))
        << error;
    EXPECT_EQ(script.keys[3], (std::vector<std::uintptr_t>{27, 66}));
    EXPECT_EQ(script.keys[2], std::vector<std::uintptr_t>{56}); // the digit key, not code 8
    EXPECT_EQ(script.motion[5].dx, 11);
    EXPECT_EQ(script.motion[5].dy, -3);
    EXPECT_EQ(script.dtMs[7], 100u);
}

TEST(ReplayScript, BadLinesNameTheFileAndLine)
{
    const char* bad[] = {"x key B", "1 key",           "1 key Q",  "1 key 256", "1 mouse 1",     "1 mouse a b",
                         "1 dt -1", "1 dt 4294967296", "1 jump 3", "-1 key B",  "1 key B extra", "1 mouse 1 0 0"};
    for (const char* text : bad) {
        ReplayScript script;
        std::string error;
        EXPECT_FALSE(script.parse(std::string("0 key H\n") + text, "run.txt", error)) << text;
        EXPECT_EQ(error.rfind("run.txt:2: ", 0), 0u) << error;
    }
    ReplayScript summed;
    std::string sumError;
    EXPECT_FALSE(summed.parse("1 mouse 2147483647 0\n1 mouse 1 0\n", "sum", sumError));
    EXPECT_EQ(sumError.rfind("sum:2: ", 0), 0u) << sumError;

    ReplayScript script;
    std::string error;
    EXPECT_FALSE(script.load("/nonexistent/script.txt", error));
    EXPECT_NE(error.find("/nonexistent/script.txt"), std::string::npos);
}

TEST(Replay, TraceHasTheFixedKeysAndFirstFrameValues)
{
    const std::vector<std::string> lines = run(options(1, 2));
    ASSERT_EQ(lines.size(), 2u);
    const std::string& first = lines[0];
    EXPECT_EQ(first.rfind("{\"frame\":0,\"dt\":0,\"rng\":", 0), 0u) << first;
    const char* keys[] = {"\"sparks\":",        "\"smoke\":",    "\"bursts\":0,",
                          "\"burstSparks\":0,", "\"colour\":0,", "\"gravityY\":-9.8000000000000007,",
                          "\"helpSlide\":0,",   "\"fb\":\""};
    std::size_t at = 0;
    for (const char* key : keys) {
        const std::size_t found = first.find(key, at);
        EXPECT_NE(found, std::string::npos) << key;
        at = found;
    }
    EXPECT_NE(lines[1].find("\"dt\":0.0160000008,"), std::string::npos) << lines[1];
    EXPECT_EQ(first.back(), '}');
}

TEST(Replay, SameSeedAndScriptGiveTheSameTrace)
{
    const std::string script = "10 key 8\n20 mouse 50 -30\n30 key C\n40 dt 40\n45 key PageDown\n";
    const auto a = run(options(42, 90, script));
    const auto b = run(options(42, 90, script));
    const auto c = run(options(43, 90, script));
    ASSERT_EQ(a.size(), 90u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(a[40].find("\"dt\":0.0399999991,"), std::string::npos) << a[40];
    EXPECT_NE(a[45].find("\"gravityY\":-8.8000000000000007,"), std::string::npos) << a[45];
    EXPECT_NE(a[10].find("\"colour\":-1,"), std::string::npos) << a[10];
}

TEST(Replay, EscapeStopsBeforeItsFrame)
{
    int code = -1;
    const auto lines = run(options(1, 50, "12 key Escape\n"), &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(lines.size(), 12u);
}

TEST(Replay, HelpSlideAndColourCyclingInTheTrace)
{
    const auto lines = run(options(7, 340, "1 key H\n"));
    EXPECT_NE(lines[1].find("\"helpSlide\":-5,"), std::string::npos);
    EXPECT_NE(lines[32].find("\"helpSlide\":-160,"), std::string::npos);
    // 5 s of colour timer at 16 ms a frame: the first step comes at frame 313.
    EXPECT_NE(lines[312].find("\"colour\":0,"), std::string::npos) << lines[312];
    EXPECT_NE(lines[313].find("\"colour\":1,"), std::string::npos) << lines[313];
}

// A fixed seed and script pin the whole run: the generator's state, the counts and the frame
// shown (with the help panel hidden, so the pixels depend on no font). Any change to the
// order of random draws, the arithmetic or the drawing moves these values.
TEST(Replay, PinnedRunGivesTheKnownTrace)
{
    const auto lines = run(options(1, 200, "0 key H\n50 mouse 120 -40\n90 key 8\n120 key PageDown\n150 key C\n"));
    ASSERT_EQ(lines.size(), 200u);
    EXPECT_EQ(lines[0].substr(0, lines[0].find(",\"fb\"")),
              "{\"frame\":0,\"dt\":0,\"rng\":2528841238,\"sparks\":345,\"smoke\":157,\"bursts\":0,\"burstSparks\":0,"
              "\"colour\":0,\"gravityY\":-9.8000000000000007,\"helpSlide\":-5");
    EXPECT_EQ(lines[99],
              "{\"frame\":99,\"dt\":0.0160000008,\"rng\":1566061858,\"sparks\":1580,\"smoke\":4707,\"bursts\":18,"
              "\"burstSparks\":339,\"colour\":-1,\"gravityY\":-9.8000000000000007,\"helpSlide\":-160,"
              "\"fb\":\"02e2ac5aba87abda\"}");
    EXPECT_EQ(lines[199],
              "{\"frame\":199,\"dt\":0.0160000008,\"rng\":3550067726,\"sparks\":1638,\"smoke\":4987,\"bursts\":14,"
              "\"burstSparks\":433,\"colour\":-1,\"gravityY\":-8.8000000000000007,\"helpSlide\":-160,"
              "\"fb\":\"fb2a380b919301f3\"}");
}

// The pilot in the replay: the same seed gives the same run; words give the same frames and
// end with their light held; a script's input takes the sparkler over.
TEST(Replay, APilotedRunIsTheSameEveryTimeAndDiffersFromAnUnpilotedOne)
{
    ReplayOptions piloted = options(9, 400);
    piloted.autopilot = true;
    const auto first = run(piloted);
    ASSERT_EQ(first.size(), 400u);
    EXPECT_EQ(run(piloted), first);
    EXPECT_NE(run(options(9, 400)), first);
    piloted.seed = 10;
    EXPECT_NE(run(piloted), first);
}

TEST(Replay, WrittenWordsAreTheSameEveryTimeAndLeaveAnUnpilotedRunAsItWas)
{
    ReplayOptions written = options(4, 300);
    written.writeText = "Hi 2";
    const auto first = run(written);
    ASSERT_EQ(first.size(), 300u);
    EXPECT_EQ(run(written), first);
    // The same motion and keys without the pen draw no light: only the frames differ.
    const auto plain = run(options(4, 300));
    EXPECT_NE(plain, first);
}

TEST(Replay, AScriptsInputTakesTheSparklerFromThePilot)
{
    ReplayOptions piloted = options(9, 300, "100 mouse 5 5\n");
    piloted.autopilot = true;
    const auto taken = run(piloted);
    ReplayOptions alone = options(9, 300);
    alone.autopilot = true;
    const auto flown = run(alone);
    ASSERT_EQ(taken.size(), 300u);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(taken[i], flown[i]) << "frame " << i;
    EXPECT_NE(taken[299], flown[299]);
}
