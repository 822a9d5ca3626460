// The replay tool as a user runs it: its options, its refusals and its outputs, through the
// real executable and a shell (for redirections, closed descriptors and file size limits).
// A refusal is one line on stderr prefixed "sparkler-replay:", exit 2, before any frame runs.
#include "support/CommandOutcome.hpp"

#include <gtest/gtest.h>

#include "platform/VideoWriter.hpp"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class ReplayCommandLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(SPARKLER_TEST_OUTPUT) / ("replay-cli-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs `sh -c "<prefix> exec sparkler-replay <args>"` in the scratch folder. Unless the
    // arguments redirect it themselves, standard output goes to a file.
    CommandOutcome run(const std::string& args, const std::string& prefix = "", bool captureOut = true)
    {
        // The sanitizer build's leak checker would add its table of used suppressions.
        const std::string command = "cd '" + dir.string() + "' && export LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\"; "
                                  + prefix + " exec '" SPARKLER_REPLAY_PROGRAM "' "
                                  + args + (captureOut ? " >'" + (dir / "out.txt").string() + "'" : "") + " 2>'"
                                  + (dir / "err.txt").string() + "'";
        const int status = std::system(command.c_str());
        CommandOutcome o;
        o.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        o.out = captureOut ? readAll(dir / "out.txt") : "";
        o.err = readAll(dir / "err.txt");
        fs::remove(dir / "out.txt");
        fs::remove(dir / "err.txt");
        return o;
    }

    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir / name, std::ios::binary) << text;
    }

    // Everything in a folder, so left-over temporaries show up.
    std::vector<std::string> entries(const fs::path& folder) const { return folderEntries(folder); }

    fs::path dir;
};

// A refusal under the tool's name, before any frame runs.
void expectRefusal(const CommandOutcome& o, const std::string& args, const std::string& mentions)
{
    expectOneLineRefusal(o, "sparkler-replay", args, mentions);
    EXPECT_TRUE(o.out.empty()) << args << ": no frame may run";
}

} // namespace

TEST_F(ReplayCommandLine, NumbersAreDecimalAndEmptyValuesAreErrors)
{
    const CommandOutcome leadingZero = run("--seed 1 --frames 010 --trace -");
    EXPECT_EQ(leadingZero.code, 0) << leadingZero.err;
    EXPECT_EQ(lineCount(leadingZero.out), 10u) << "010 is ten frames, not octal eight";

    const std::pair<const char*, const char*> bad[] = {
        {"--seed 1 --frames 0x10", "--frames"},     {"--seed 1 --frames abc", "decimal"},
        {"--seed 1 --frames 3 --dt-ms ''", "--dt-ms"}, {"--seed '' --frames 3", "--seed"},
        {"--seed 1 --frames 3 --dt-ms 1e3", "--dt-ms"}, {"--seed 4294967296 --frames 3", "--seed"},
        {"--seed 1 --frames -1", "--frames"},       {"--seed 1 --frames 100000001", "--frames"},
    };
    for (const auto& [args, mentions] : bad)
        expectRefusal(run(std::string(args) + " --trace -"), args, mentions);
}

TEST_F(ReplayCommandLine, UsageErrorsAreOneLineWithTheToolsName)
{
    const std::pair<const char*, const char*> bad[] = {
        {"--frames 3", "--seed"},
        {"--seed 1 --frames 3 --no-such-option", "no-such-option"},
        {"--seed 1 --frames 3 extra", "extra"},
        {"--seed 1 --frames 3 --png-every 2", "--png-dir"},
        {"--seed 1 --frames 3 --wav -", "--wav"},
        {"--seed 1 --frames 3 --trace same.out --wav same.out", "same file"},
        {"--seed 1 --frames 3 --trace same.out --wav ./same.out", "same file"},
        {"--seed 1 --frames 3 --png-frame 1=a.png --png-frame 2=a.png", "same file"},
        {"--seed 1 --frames 3 --video-scale 2", "--video-scale needs --video"},
        {"--seed 1 --frames 3 --video-scale 1.5 --video a.webm", "a whole decimal number from 1 to 4, found \"1.5\""},
    };
    for (const auto& [args, mentions] : bad)
        expectRefusal(run(args), args, mentions);
    EXPECT_TRUE(entries(dir).empty()) << "a refused run writes nothing";

    const CommandOutcome help = run("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--png-frame"), std::string::npos);
    EXPECT_NE(help.out.find("decimal"), std::string::npos);
}

TEST_F(ReplayCommandLine, RequestedFramesThatWouldNeverBeWrittenAreRefused)
{
    write("esc.txt", "3 key Escape\n");
    const std::pair<const char*, const char*> bad[] = {
        {"--seed 1 --frames 3 --png-frame 5=x.png", "the last is 2"},
        {"--seed 1 --frames 3 --png-frame 3=x.png", "the last is 2"},
        {"--seed 1 --frames 10 --script esc.txt --png-frame 3=x.png", "closes it at frame 3"},
        {"--seed 1 --frames 3 --png-frame 99999999999999999999=x.png", "N=FILE"},
        {"--seed 1 --frames 3 --png-frame 1=a.png --png-frame 1=b.png", "twice"},
        {"--seed 1 --frames 3 --png-frame 1=", "N=FILE"},
        {"--seed 1 --frames 3 --png-frame =a.png", "N=FILE"},
    };
    for (const auto& [args, mentions] : bad)
        expectRefusal(run(args), args, mentions);

    const CommandOutcome last = run("--seed 1 --frames 10 --script esc.txt --png-frame 2=x.png");
    EXPECT_EQ(last.code, 0) << last.err;
    EXPECT_TRUE(fs::is_regular_file(dir / "x.png")) << "frame 2 runs before the Escape of frame 3";
}

TEST_F(ReplayCommandLine, OutputPlacesAreCheckedBeforeTheFirstFrame)
{
    // A long run would take minutes: each refusal must come before it starts.
    const char* bad[] = {
        "--wav /nonexistent/x.wav",
        "--trace /nonexistent/t.jsonl",
        "--png-frame 5=/nonexistent/x.png",
        "--png-frame 5=esc",
        "--png-dir /nonexistent",
    };
    fs::create_directories(dir / "esc");
    for (const char* outputs : bad) {
        const std::string args = std::string("--seed 1 --frames 100000000 --trace ok.jsonl ") + outputs;
        const CommandOutcome o = run(args);
        EXPECT_EQ(o.code, 2) << args << "\n" << o.err;
        EXPECT_EQ(lineCount(o.err), 1u) << o.err;
        EXPECT_EQ(o.err.rfind("sparkler-replay: ", 0), 0u) << o.err;
        EXPECT_FALSE(fs::exists(dir / "ok.jsonl")) << args;
    }
}

TEST_F(ReplayCommandLine, ScriptsAreBoundedRegularFiles)
{
    fs::create_directories(dir / "folder");
    expectRefusal(run("--seed 1 --frames 3 --script folder"), "folder", "not a regular file");
    expectRefusal(run("--seed 1 --frames 3 --script /dev/zero"), "/dev/zero", "not a regular file");
    expectRefusal(run("--seed 1 --frames 3 --script missing.txt"), "missing", "cannot be read");
    {
        std::ofstream big(dir / "big.txt", std::ios::binary);
        big.seekp((64 << 20) + 1);
        big.put('\n');
    }
    expectRefusal(run("--seed 1 --frames 3 --script big.txt"), "big", "64 MiB");

    write("bom.txt", "\xEF\xBB\xBF" "1 key H\r\n2 key 8\n");
    const CommandOutcome bom = run("--seed 1 --frames 3 --script bom.txt --trace -");
    EXPECT_EQ(bom.code, 0) << bom.err;
    EXPECT_EQ(lineCount(bom.out), 3u);

    write("esc.txt", "1 jump\x1b[2J\x07\n");
    const CommandOutcome escaped = run("--seed 1 --frames 3 --script esc.txt");
    expectRefusal(escaped, "control bytes", "esc.txt:1:");
    EXPECT_EQ(escaped.err.find('\x1b'), std::string::npos) << "control bytes reach the terminal raw";
    EXPECT_NE(escaped.err.find("\\x1B[2J\\x07"), std::string::npos) << escaped.err;

    write("long.txt", std::string(5000, '7') + "x key B\n");
    const CommandOutcome cut = run("--seed 1 --frames 3 --script long.txt");
    expectRefusal(cut, "long token", "...");
    EXPECT_LT(cut.err.size(), 200u) << "a long token is cut in the error line";
}

TEST_F(ReplayCommandLine, ATraceOnAFullOrClosedStandardOutputFails)
{
    const CommandOutcome full = run("--seed 1 --frames 3 --trace - >/dev/full", "", false);
    EXPECT_EQ(full.code, 1) << full.err;
    EXPECT_EQ(lineCount(full.err), 1u) << full.err;
    EXPECT_NE(full.err.find("standard output"), std::string::npos) << full.err;

    const CommandOutcome closed = run("--seed 1 --frames 3 --trace - >&-", "", false);
    EXPECT_EQ(closed.code, 2) << closed.err;
    EXPECT_NE(closed.err.find("standard output is closed"), std::string::npos) << closed.err;
}

TEST_F(ReplayCommandLine, OutputsThatDoNotFitAreNeverLeftHalfWritten)
{
    // A file size limit of 100 KiB stands for a small, full disk: writes past it fail.
    const std::string small = "trap '' XFSZ; ulimit -f 200;";
    fs::create_directories(dir / "frames");
    const CommandOutcome pngs = run("--seed 1 --frames 3 --png-dir frames", small);
    EXPECT_EQ(pngs.code, 1) << pngs.err;
    EXPECT_EQ(lineCount(pngs.err), 1u) << pngs.err;
    EXPECT_NE(pngs.err.find("frame-000000.png"), std::string::npos) << pngs.err;
    EXPECT_TRUE(entries(dir / "frames").empty()) << "no truncated picture and no temporary is left";

    const CommandOutcome trace = run("--seed 1 --frames 1000 --trace t.jsonl", small);
    EXPECT_EQ(trace.code, 1) << trace.err;
    EXPECT_NE(trace.err.find("t.jsonl"), std::string::npos) << trace.err;
    EXPECT_EQ(entries(dir), std::vector<std::string>{"frames"});

    const CommandOutcome wav = run("--seed 1 --frames 120 --wav w.wav", small);
    EXPECT_EQ(wav.code, 1) << wav.err;
    EXPECT_NE(wav.err.find("w.wav"), std::string::npos) << wav.err;
    EXPECT_EQ(entries(dir), std::vector<std::string>{"frames"});
}

TEST_F(ReplayCommandLine, ABrokenSoundIsSaidUnderTheToolsName)
{
    write("Sparkler.wav", "not a wave at all");
    const CommandOutcome o = run("--seed 1 --frames 3 --wav w.wav");
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(lineCount(o.err), 1u) << o.err;
    EXPECT_EQ(o.err.rfind("sparkler-replay: ", 0), 0u) << o.err;
    EXPECT_NE(o.err.find("Sparkler.wav"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("the mix has no sound"), std::string::npos) << o.err;
}

TEST_F(ReplayCommandLine, AFrameStepLongerThanOneMixKeepsItsSound)
{
    // 96 s in one step: past the most the loopback device mixes in one call.
    const CommandOutcome o = run("--seed 1 --frames 2 --dt-ms 96000 --wav w.wav");
    ASSERT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(fs::file_size(dir / "w.wav"), 44u + 96u * 44100u * 4u);
}

TEST_F(ReplayCommandLine, NoOutputIsWrittenOverTheScriptOrAnotherOutput)
{
    write("s.txt", "1 key H\n");
    fs::create_directories(dir / "pd");
    const std::pair<const char*, const char*> bad[] = {
        {"--seed 1 --frames 3 --script s.txt --trace s.txt", "over the script"},
        {"--seed 1 --frames 3 --script s.txt --trace ./pd/../s.txt", "over the script"},
        {"--seed 1 --frames 3 --script s.txt --png-frame 1=s.txt", "over the script"},
        {"--seed 1 --frames 3 --png-dir pd --trace pd/frame-000002.png", "--png-dir writes"},
        {"--seed 1 --frames 3 --png-dir pd --png-frame 1=pd/frame-000000.png", "--png-dir writes"},
        {"--seed 1 --frames 3 --png-dir pd --wav ./pd/frame-000001.png", "--png-dir writes"},
    };
    for (const auto& [args, mentions] : bad)
        expectRefusal(run(args), args, mentions);
    EXPECT_EQ(readAll(dir / "s.txt"), "1 key H\n");
    EXPECT_TRUE(entries(dir / "pd").empty());

    // A name --png-dir would not write (past the run, or between every K-th frame) is free.
    write("pd/frame-000002.png", "1 key H\n");
    const CommandOutcome between = run("--seed 1 --frames 3 --png-dir pd --png-every 2 --script pd/frame-000001.png "
                                "--trace pd/frame-000003.png",
                                "cp pd/frame-000002.png pd/frame-000001.png &&");
    EXPECT_EQ(between.code, 0) << between.err;
    EXPECT_EQ(entries(dir / "pd"), (std::vector<std::string>{"frame-000000.png", "frame-000001.png",
                                                             "frame-000002.png", "frame-000003.png"}));
    EXPECT_EQ(readAll(dir / "pd/frame-000001.png"), "1 key H\n");
}

TEST_F(ReplayCommandLine, AFileSizeLimitIsAFailureWithItsReason)
{
    // Without the shell ignoring the limit's signal for it: the tool must do that itself.
    const CommandOutcome png = run("--seed 1 --frames 3 --png-frame 1=one.png", "ulimit -f 500;");
    EXPECT_EQ(png.code, 1) << png.err;
    EXPECT_EQ(png.err, "sparkler-replay: one.png: could not be written whole (File too large)\n");
    const CommandOutcome wav = run("--seed 1 --frames 600 --wav w.wav", "ulimit -f 500;");
    EXPECT_EQ(wav.code, 1) << wav.err;
    EXPECT_NE(wav.err.find("w.wav: could not be written whole (File too large)"), std::string::npos) << wav.err;
    EXPECT_TRUE(entries(dir).empty()) << "no temporary is left";
}

TEST_F(ReplayCommandLine, HelpAndVersionIntoAFullDiskFail)
{
    for (const char* args : {"--help", "--version"}) {
        const CommandOutcome o = run(std::string(args) + " >/dev/full", "", false);
        EXPECT_EQ(o.code, 1) << args;
        EXPECT_EQ(o.err, "sparkler-replay: standard output could not be written whole (No space left on device)\n");
    }
}

TEST_F(ReplayCommandLine, AClosedPipeEndsTheRunQuietlyAndLeavesNothing)
{
    // The reader goes at once: the tool ends as a filter does, by the broken pipe's signal
    // (141 in the shell) and without a word, and none of its other outputs is left half-made.
    fs::create_directories(dir / "v");
    const std::string video = *videoEndings() != '\0' ? " --video v/a.webm" : "";
    const std::string command = "cd '" + dir.string() + "' && { '" SPARKLER_REPLAY_PROGRAM
                                "' --seed 1 --frames 5000 --trace - --png-dir v --png-every 50"
        + video + " 2>err.txt; echo $? >status; } | true";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(readAll(dir / "status"), "141\n");
    EXPECT_EQ(readAll(dir / "err.txt"), "");
    for (const std::string& name : entries(dir / "v"))
        EXPECT_NE(name[0], '.') << "a temporary is left: " << name;
    EXPECT_FALSE(fs::exists(dir / "v/a.webm"));
}

TEST_F(ReplayCommandLine, InterruptedRunsLeaveNoTemporaries)
{
    const std::string tool = SPARKLER_REPLAY_PROGRAM;
    const std::string video = *videoEndings() != '\0' ? "a.webm" : "";
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        std::vector<std::string> args = {tool, "--seed", "1", "--frames", "100000", "--trace", "t.jsonl",
                                         "--png-dir", ".", "--png-every", "7"};
        if (!video.empty())
            args.insert(args.end(), {"--video", video});
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
                std::signal(s, SIG_DFL);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            if (::chdir(dir.c_str()) != 0)
                ::_exit(127);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        // Under way: its trace's temporary and a few pictures are there.
        bool underway = false;
        for (int i = 0; i < 3000 && !underway; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            underway = fs::exists(dir / "frame-000014.png");
        }
        EXPECT_TRUE(underway);
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal << ", status " << status;
        for (const std::string& name : entries(dir))
            EXPECT_NE(name[0], '.') << "signal " << signal << " left a temporary: " << name;
        EXPECT_FALSE(fs::exists(dir / "t.jsonl"));
        for (const std::string& name : entries(dir))
            fs::remove(dir / name);
    }
}
