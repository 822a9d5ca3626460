// SessionLog: a session run pass by pass over the headless backends, as the live loop runs it
// (uneven steps, keys, mouse motion, reads that fail and leave the state as it was), is
// recorded and traced; the record, replayed by the replay tool with the seed and frame count
// of its header, gives the live trace line for line. A session cut off without its close
// still replays up to the count its header last gave; one cut by a full disk (a file size
// limit here) ends on a whole line and replays up to the failure.
#include "session/SessionLog.hpp"

#include "platform/FrameTimer.hpp"
#include "platform/VirtualKeys.hpp"
#include "replay/Replay.hpp"
#include "support/AppHarness.hpp"
#include "support/FileSizeLimit.hpp"
#include "support/PilotedRun.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> readLines(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> replayed(const fs::path& record, std::string& error)
{
    ReplayOptions options;
    if (!options.script.load(record.string(), error))
        return {};
    options.seed = options.script.seed.value_or(0);
    options.frames = options.script.frames.value_or(0);
    std::ostringstream trace;
    if (runReplay(options, &trace, error) != 0)
        return {};
    std::vector<std::string> lines;
    std::istringstream in(trace.str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

fs::path folder(const std::string& name)
{
    const fs::path path = fs::path(SPARKLER_TEST_OUTPUT) / "session" / name;
    fs::remove_all(path);
    fs::create_directories(path);
    return path;
}

// One pass of the loop after `stepMs` of time; `keys` are pressed before it.
PassResult pass(AppHarness& h, SessionLog& log, FrameTimer& timer, std::uint32_t stepMs,
                const std::vector<std::uintptr_t>& keys = {})
{
    h.clock.advance(stepMs);
    for (std::uintptr_t code : keys)
        h.window.postMessage(WM_KEYDOWN, code, 0);
    int exitCode = 0;
    return runOnePass(h.window, h.clock, timer, exitCode, &log);
}

} // namespace

TEST(SessionLog, ARecordedSessionReplaysToItsOwnTraceLineForLine)
{
    const fs::path dir = folder("replays");
    AppHarness h(1733650000);
    SessionLog log;
    std::string error;
    ASSERT_TRUE(log.open((dir / "session.txt").string(), (dir / "live.jsonl").string(), &h.display, error))
        << error;

    FrameTimer timer;
    const std::uint32_t steps[] = {16, 17, 16, 15, 33, 16, 0, 16, 250, 16, 17};
    for (int frame = 0; frame < 240; ++frame) {
        std::vector<std::uintptr_t> keys;
        if (frame == 20)
            keys = {'H', 'C'};
        if (frame == 50)
            keys = {'8', VK_PRIOR, VK_PRIOR};
        if (frame == 90)
            keys = {'K'};
        if (frame == 120)
            keys = {'S', 'X'}; // X does nothing, and is delivered all the same
        if (frame % 7 == 3)
            h.mouse.move(frame % 5 - 2, (frame % 3) - 1);
        if (frame == 150)
            h.mouse.move(300, -40);
        // Lost for a while: the reads fail and the state keeps the motion it last had.
        h.mouse.acquired = !(frame >= 151 && frame < 155);
        ASSERT_EQ(pass(h, log, timer, frame == 0 ? 0 : steps[frame % 11], keys), PassResult::Continue);
    }
    EXPECT_EQ(pass(h, log, timer, 16, {VK_ESCAPE}), PassResult::Quit);
    endApplication();
    ASSERT_TRUE(log.close(error)) << error;
    EXPECT_EQ(log.framesShown(), 240);

    ReplayScript script;
    ASSERT_TRUE(script.load((dir / "session.txt").string(), error)) << error;
    EXPECT_EQ(script.seed, 1733650000u);
    EXPECT_EQ(script.frames, 240);
    EXPECT_EQ(script.keys[240], std::vector<std::uintptr_t>{VK_ESCAPE}) << "the Escape that ended it comes last";
    EXPECT_EQ(script.dtMs.count(0), 0u) << "the first frame's step is always 0";
    EXPECT_EQ(script.dtMs.at(4), 33u);
    EXPECT_EQ(script.dtMs.count(2), 0u) << "a usual 16 ms step is left out";
    EXPECT_EQ(script.motion.at(150).dx + script.motion.at(150).dy, 300 - 40 + (150 % 5 - 2) + (150 % 3 - 1));

    const std::vector<std::string> live = readLines(dir / "live.jsonl");
    ASSERT_EQ(live.size(), 240u);
    const std::vector<std::string> replay = replayed(dir / "session.txt", error);
    ASSERT_EQ(replay.size(), live.size()) << error;
    for (std::size_t i = 0; i < live.size(); ++i)
        ASSERT_EQ(replay[i], live[i]) << "frame " << i;
}

TEST(SessionLog, APilotedSessionWithWordsReplaysToItsOwnTraceLineForLine)
{
    // The writer, then the autopilot, then a person's hand: the record holds the pilot's keys,
    // its motion and its pen, and the replay of it draws the same light.
    const fs::path dir = folder("piloted");
    std::vector<std::string> live;
    {
        PilotedRun run(1733650123, true, "Go");
        SessionLog log;
        std::string error;
        ASSERT_TRUE(log.open((dir / "session.txt").string(), (dir / "live.jsonl").string(), &run.display, error))
            << error;
        const std::uint32_t steps[] = {16, 17, 16, 15, 33, 16, 0, 16, 120, 16, 17};
        const std::int64_t writing = run.pilot.framesToWriteAndHold(16, {});
        ASSERT_GT(writing, 100);
        const int frames = static_cast<int>(writing) + 700;
        for (int frame = 0; frame < frames; ++frame) {
            if (frame == frames - 60)
                run.mouse.move(-25, 12);
            run.pass(steps[frame % 11], &log);
        }
        EXPECT_FALSE(run.pilot.flying());
        ASSERT_TRUE(log.close(error)) << error;
        live = readLines(dir / "live.jsonl");
        ASSERT_EQ(live.size(), static_cast<std::size_t>(frames));
    }
    std::string error;
    ReplayScript script;
    ASSERT_TRUE(script.load((dir / "session.txt").string(), error)) << error;
    EXPECT_FALSE(script.pens.empty());
    EXPECT_FALSE(script.keys.empty());
    const std::vector<std::string> replay = replayed(dir / "session.txt", error);
    ASSERT_EQ(replay.size(), live.size()) << error;
    for (std::size_t i = 0; i < live.size(); ++i)
        ASSERT_EQ(replay[i], live[i]) << "frame " << i;
}

TEST(SessionLog, ASessionCutOffReplaysUpToItsLastCount)
{
    const fs::path dir = folder("cut");
    std::string error;
    {
        AppHarness h(99);
        SessionLog log;
        ASSERT_TRUE(log.open((dir / "session.txt").string(), "", &h.display, error)) << error;
        FrameTimer timer;
        for (int frame = 0; frame < 130; ++frame) {
            if (frame == 10)
                h.mouse.move(40, 40);
            ASSERT_EQ(pass(h, log, timer, frame == 0 ? 0 : 16,
                           frame == 30 ? std::vector<std::uintptr_t>{'B'} : std::vector<std::uintptr_t>{}),
                      PassResult::Continue);
        }
        // The session ends here without a close, as a crash would end it. The lines are
        // written on the record's own thread, within moments.
        ReplayScript script;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            script = ReplayScript();
            const bool loaded = script.load((dir / "session.txt").string(), error);
            if ((loaded && script.frames == 120) || std::chrono::steady_clock::now() >= deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_EQ(script.seed, 99u);
        EXPECT_EQ(script.frames, 120) << "the count is brought up to date every 60 frames";
        EXPECT_EQ(script.keys.at(30), std::vector<std::uintptr_t>{'B'}) << "each frame's lines are written as it ends";
        EXPECT_EQ(script.motion.at(10).dx, 40);
    }
    const std::vector<std::string> replay = replayed(dir / "session.txt", error);
    EXPECT_EQ(replay.size(), 120u) << error;
}

TEST(SessionLog, ARecordCutByAFullDiskEndsOnAWholeLineAndReplaysUpToTheFailure)
{
    const fs::path dir = folder("full");
    const fs::path record = dir / "session.txt";
    std::string error;
    bool closed = true;
    {
        AppHarness h(4242);
        SessionLog log;
        ASSERT_TRUE(log.open(record.string(), "", &h.display, error)) << error;
        FrameTimer timer;
        // Motion in every frame: a line each, about 20 bytes, so the limit falls inside one.
        FileSizeLimit limit(3001);
        for (int frame = 0; frame < 400; ++frame) {
            h.mouse.move(frame % 9 - 4, 7 - frame % 5);
            ASSERT_EQ(pass(h, log, timer, frame == 0 ? 0 : 16), PassResult::Continue);
        }
        EXPECT_EQ(pass(h, log, timer, 16, {VK_ESCAPE}), PassResult::Quit);
        endApplication();
        closed = log.close(error);
    }
    EXPECT_FALSE(closed) << "a record cut short is a failure";
    EXPECT_NE(error.find("session.txt: the record could not be written whole (File too large)"), std::string::npos)
        << error;
    std::ifstream in(record, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 2000u);
    EXPECT_LE(bytes.size(), 3001u);
    ASSERT_EQ(bytes.back(), '\n') << "the record ends on a whole line";

    // Every frame before the failure has its motion, and the count names exactly those frames.
    ReplayScript script;
    ASSERT_TRUE(script.load(record.string(), error)) << error;
    ASSERT_TRUE(script.frames.has_value());
    const std::int64_t whole = *script.frames;
    EXPECT_GT(whole, 100);
    EXPECT_LT(whole, 400);
    EXPECT_EQ(static_cast<std::int64_t>(script.motion.size()), whole);
    EXPECT_EQ(script.motion.rbegin()->first, whole - 1);
    EXPECT_NE(error.find("it replays its first " + std::to_string(whole) + " frames"), std::string::npos) << error;
    const std::vector<std::string> replay = replayed(record, error);
    EXPECT_EQ(static_cast<std::int64_t>(replay.size()), whole) << error;
}

TEST(SessionLog, AnOutputThatCannotBeMadeIsAnError)
{
    const fs::path dir = folder("refused");
    SessionLog log;
    std::string error;
    EXPECT_FALSE(log.open((dir / "missing" / "session.txt").string(), "", nullptr, error));
    EXPECT_NE(error.find("missing/session.txt"), std::string::npos) << error;
    SessionLog traced;
    error.clear();
    EXPECT_FALSE(traced.open("", (dir / "missing" / "trace.jsonl").string(), nullptr, error));
    EXPECT_NE(error.find("trace.jsonl"), std::string::npos) << error;
}

// "--trace -" writes to the standard output it was handed, whatever it is: a socket (which
// cannot be opened again by name) gets the trace; a closed one is an error before the run.
TEST(SessionLog, TheTraceOnStandardOutputIsTheDescriptorItself)
{
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ASSERT_GE(saved, 0);
    ::dup2(pair[0], STDOUT_FILENO);
    std::string error;
    bool opened = false;
    bool closed = false;
    {
        AppHarness h(7);
        SessionLog log;
        opened = log.open("", "-", &h.display, error);
        if (opened) {
            FrameTimer timer;
            pass(h, log, timer, 0);
            pass(h, log, timer, 16, {VK_ESCAPE});
            endApplication();
            closed = log.close(error);
        }
    }
    ::close(STDOUT_FILENO);
    SessionLog refused;
    std::string closedError;
    const bool openedClosed = refused.open("", "-", nullptr, closedError);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(pair[0]);

    ASSERT_TRUE(opened) << error;
    EXPECT_TRUE(closed) << error;
    char text[4096] = {};
    const ssize_t got = ::recv(pair[1], text, sizeof text - 1, MSG_DONTWAIT);
    ::close(pair[1]);
    ASSERT_GT(got, 0) << "nothing of the trace reached the socket";
    EXPECT_EQ(std::string(text, static_cast<std::size_t>(got)).rfind("{", 0), 0u) << text;
    EXPECT_FALSE(openedClosed);
    EXPECT_NE(closedError.find("standard output"), std::string::npos) << closedError;
}

// A trace to a pipe whose reader stops reading holds no pass of the loop; the close waits the
// patience it is given, then says how many bytes the reader did not get, and fails.
TEST(SessionLog, ATraceWhoseReaderStopsHoldsNoPassAndIsGivenUpAtTheClose)
{
    ::signal(SIGPIPE, SIG_IGN); // the program's own setting: a reader gone is a failed write
    const fs::path fifo = folder("stalled") / "trace.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ::fcntl(reader, F_SETPIPE_SZ, 4096);
    std::string error;
    bool closed = true;
    const auto before = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration closing{};
    {
        AppHarness h(5);
        SessionLog log;
        ASSERT_TRUE(log.open("", fifo.string(), &h.display, error)) << error;
        FrameTimer timer;
        // About 300 bytes a line: far more than the pipe holds.
        for (int frame = 0; frame < 200; ++frame)
            ASSERT_EQ(pass(h, log, timer, frame == 0 ? 0 : 16), PassResult::Continue);
        EXPECT_EQ(pass(h, log, timer, 16, {VK_ESCAPE}), PassResult::Quit);
        endApplication();
        const auto asked = std::chrono::steady_clock::now();
        closed = log.close(error, std::chrono::milliseconds(300));
        closing = std::chrono::steady_clock::now() - asked;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(20));
    EXPECT_GE(closing, std::chrono::milliseconds(300));
    EXPECT_LT(closing, std::chrono::seconds(5));
    EXPECT_FALSE(closed) << "a trace not delivered is a failure";
    // What the pipe holds now, and no more: a read lets the writer left blocked go on.
    int held = 0;
    ASSERT_EQ(::ioctl(reader, FIONREAD, &held), 0);
    std::string got(static_cast<std::size_t>(held), '\0');
    EXPECT_EQ(::read(reader, got.data(), got.size()), static_cast<ssize_t>(held));
    ::close(reader); // that writer now fails, and its thread ends
    const std::string prefix = fifo.string() + ": ";
    ASSERT_EQ(error.rfind(prefix, 0), 0u) << error;
    long long missing = 0;
    long long total = 0;
    ASSERT_EQ(std::sscanf(error.c_str() + prefix.size(), "%lld of the trace's %lld bytes were not delivered", &missing,
                          &total),
              2)
        << error;
    EXPECT_NE(error.find("(its reader stopped reading)"), std::string::npos) << error;
    EXPECT_GT(got.size(), 0u);
    EXPECT_EQ(static_cast<long long>(got.size()) + missing, total) << error;
    EXPECT_GT(total, 200 * 100);
}
