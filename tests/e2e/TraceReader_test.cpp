// End-to-end: the live program's trace on standard output into a pipe whose reader stops
// reading. The frames keep coming (the record goes on growing) while the pipe is full. A reader
// that stays stopped is given up at the close, Escape's or a signal's, with one line saying how
// many bytes it did not get, exit 1; what it got is the start of the replay's trace. A reader
// that starts again gets the whole trace, identical to the replay's.
#include "support/ProgramFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include <sys/ioctl.h>

using namespace e2e;

namespace {

constexpr const char* replayPath = SPARKLER_REPLAY;

class TraceReaderE2e : public SparklerE2e {
protected:
    void TearDown() override
    {
        if (reader >= 0)
            ::close(reader);
        SparklerE2e::TearDown();
    }

    // Starts the program with a record and with its trace on standard output, a named pipe
    // of one page that this test reads from or not, and waits until that pipe is full.
    void startWithStalledReader()
    {
        record = scratch + "/session.txt";
        const std::string fifo = scratch + "/trace.fifo";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(reader, 0);
        const int capacity = ::fcntl(reader, F_SETPIPE_SZ, 4096);
        ASSERT_GT(capacity, 0);
        launcher = {"/bin/sh", "-c", "exec \"$0\" \"$@\" >'" + fifo + "'"};
        ASSERT_NO_FATAL_FAILURE(
            startProgram({"ALSOFT_DRIVERS=null"}, {"--window", "--autopilot", "--record", record, "--trace", "-"}));
        const bool full = pollUntil(10s, [&] {
            int queued = 0;
            return ::ioctl(reader, FIONREAD, &queued) == 0 && queued >= capacity - 512;
        });
        ASSERT_TRUE(full) << "the trace did not fill the pipe within 10 s";
    }

    // The frames keep coming with nobody reading: the record grows by two seconds of frames.
    void expectFramesGoOn()
    {
        const long long before = recordedFrames(record);
        const bool growing = pollUntil(8s, [&] { return recordedFrames(record) >= before + 120; });
        EXPECT_TRUE(growing) << "the record stayed at " << recordedFrames(record) << " frames (from " << before
                             << ") while the trace's reader did not read";
    }

    // Reads what the pipe holds now; false at its end (no writer left).
    bool readSome()
    {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(reader, buffer, sizeof buffer);
            if (got > 0)
                received.append(buffer, static_cast<std::size_t>(got));
            else
                return got < 0 && (errno == EAGAIN || errno == EINTR);
        }
    }

    // The trace the replay makes of the record.
    std::string replayedTrace()
    {
        const std::string path = scratch + "/replay.jsonl";
        const ToolResult replay
            = runTool({replayPath, "--script", record, "--trace", path}, childEnvironment(), scratch, 60s);
        EXPECT_EQ(replay.exitCode, 0) << replay.output;
        return readFile(path);
    }

    int reader = -1;
    std::string record;
    std::string received;
};

TEST_F(TraceReaderE2e, AReaderThatStaysStoppedIsGivenUpAtTheCloseWithWhatItMissed)
{
    ASSERT_NO_FATAL_FAILURE(startWithStalledReader());
    expectFramesGoOn();
    key("Escape");
    const Clock::time_point asked = Clock::now();
    const std::optional<int> code = waitForExit(program, 8s);
    ASSERT_TRUE(code.has_value()) << "still running 8 s after Escape, its trace's reader stopped";
    program = -1;
    EXPECT_LT(seconds(Clock::now() - asked), 5.0) << "the close waited too long for the reader";
    EXPECT_EQ(*code, 1) << "a trace not delivered is a failure";

    while (readSome()) {
    }
    const std::string replayed = replayedTrace();
    ASSERT_GT(replayed.size(), received.size());
    EXPECT_EQ(replayed.compare(0, received.size(), received), 0) << "what was delivered is not the trace's start";
    const std::string errors = programErrors();
    unsigned long long missing = 0;
    unsigned long long total = 0;
    int end = 0;
    ASSERT_EQ(std::sscanf(errors.c_str(),
                          "sparkler: standard output: %llu of the trace's %llu bytes were not delivered (its reader "
                          "stopped reading)\n%n",
                          &missing, &total, &end),
              2)
        << errors;
    EXPECT_EQ(static_cast<std::size_t>(end), errors.size()) << errors;
    EXPECT_EQ(missing, replayed.size() - received.size());
    EXPECT_EQ(total, replayed.size());
}

TEST_F(TraceReaderE2e, AReaderThatStartsAgainGetsTheWholeTraceAsTheReplayMakesIt)
{
    ASSERT_NO_FATAL_FAILURE(startWithStalledReader());
    expectFramesGoOn();
    ::kill(program, SIGTERM);
    std::optional<int> code;
    const bool ended = pollUntil(
        10s,
        [&] {
            readSome();
            code = waitForExit(program, 0s);
            return code.has_value();
        },
        20ms);
    ASSERT_TRUE(ended) << "still running 10 s after SIGTERM, its trace being read";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
    while (readSome()) {
    }
    const std::string replayed = replayedTrace();
    EXPECT_GE(std::count(received.begin(), received.end(), '\n'), 120);
    const auto [readAt, replayAt] = std::mismatch(received.begin(), received.end(), replayed.begin(), replayed.end());
    const std::size_t differsAt = static_cast<std::size_t>(readAt - received.begin());
    const std::size_t lineStart = received.rfind('\n', differsAt == 0 ? 0 : differsAt - 1);
    const std::size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
    EXPECT_TRUE(received == replayed) << "the trace read (" << received.size() << " bytes) differs from the replay's ("
                                      << replayed.size() << " bytes) from byte " << differsAt << ":\n  read:   "
                                      << received.substr(from, 160) << "\n  replay: " << replayed.substr(from, 160);
}

} // namespace
