// The live program's outputs as a user names them, through the real executable and a shell
// (for redirections, closed descriptors and named pipes), with no display at all: an output
// place that cannot work is one line and exit 2 before any window is tried, so these runs end
// at once; a place that can work gets as far as the missing display (exit 1) and is left as
// it was. Help and version that cannot be written are failures.
#include "support/CommandOutcome.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ProgramOutputs : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::path(SPARKLER_TEST_OUTPUT) / ("program-outputs-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "work");
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the program with `args` in the work folder, without any display, its standard output
    // sent by `out` (a redirection or a pipe of the shell's).
    CommandOutcome run(const std::string& args, const std::string& out = ">/dev/null", const std::string& prefix = "")
    {
        const std::string errPath = (dir / "err.txt").string();
        const std::string codePath = (dir / "code.txt").string();
        const std::string command = "cd '" + (dir / "work").string()
            + "' && unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR SDL_VIDEODRIVER; export ALSOFT_DRIVERS=null "
              "LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\"; "
            + prefix + " { ( exec '" SPARKLER_LIVE_PROGRAM "' " + args + " 2>'" + errPath + "' ); echo $? >'" + codePath
            + "'; } " + out;
        std::system(command.c_str());
        CommandOutcome o;
        o.code = std::atoi(readAll(codePath).c_str());
        o.err = readAll(errPath);
        fs::remove(errPath);
        fs::remove(codePath);
        return o;
    }

    // What the work folder holds, so that files made or temporaries left show up.
    std::vector<std::string> entries() const { return folderEntries(dir / "work"); }

    fs::path dir;
};

void expectRefusal(const CommandOutcome& o, const std::string& args, const std::string& mentions)
{
    expectOneLineRefusal(o, "sparkler", args, mentions);
}

} // namespace

TEST_F(ProgramOutputs, PlacesThatCannotWorkAreRefusedBeforeAnyWindow)
{
    fs::create_directories(dir / "work" / "folder");
    ASSERT_EQ(::mkfifo((dir / "work" / "fifo").c_str(), 0600), 0);
    const std::vector<std::string> before = entries();
    struct Case {
        const char* args;
        const char* out;
        const char* mentions;
    };
    const Case cases[] = {
        {"--record same.txt --trace same.txt", ">/dev/null", "--record and --trace name the same file, same.txt"},
        {"--record ./same.txt --trace folder/../same.txt", ">/dev/null", "the same file"},
        {"--record - --trace -", ">/dev/null", "the same file, standard output"},
        {"--record /dev/stdout --trace -", ">/dev/null", "the same file"},
        {"--record folder", ">/dev/null", "folder: is a folder"},
        {"--trace folder", ">/dev/null", "folder: is a folder"},
        {"--record /dev/full", ">/dev/null", "/dev/full: cannot be written (No space left on device)"},
        {"--trace /dev/full", ">/dev/null", "/dev/full: cannot be written (No space left on device)"},
        {"--trace -", ">/dev/full", "standard output: cannot be written (No space left on device)"},
        {"--record -", ">/dev/full", "standard output: cannot be written (No space left on device)"},
        {"--record missing/r.txt", ">/dev/null", "missing/r.txt: cannot be written"},
        {"--trace missing/t.jsonl", ">/dev/null", "missing/t.jsonl: cannot be written"},
        // A named pipe that nobody reads is never waited for; a record is rewritten in place,
        // which no pipe (named or not) can be.
        {"--trace fifo", ">/dev/null", "fifo: cannot be written (nothing reads from it)"},
        {"--record fifo", ">/dev/null", "fifo: a record is rewritten in place"},
        {"--record -", "| cat >/dev/null", "standard output: a record is rewritten in place"},
    };
    for (const Case& c : cases)
        expectRefusal(run(c.args, c.out), std::string(c.args) + " " + c.out, c.mentions);
    EXPECT_EQ(entries(), before) << "a refused run makes no file and leaves no temporary";
}

TEST_F(ProgramOutputs, PlacesThatCanWorkGetAsFarAsTheDisplayAndAreLeftAsTheyWere)
{
    // Without a display the run never starts: the files named are neither made nor emptied.
    std::ofstream(dir / "work" / "kept.txt") << "kept";
    const std::pair<const char*, const char*> cases[]
        = {{"--record kept.txt --trace t.jsonl", ">/dev/null"}, {"--record r.txt", ">/dev/null"},
           {"--trace - --record /dev/null", "| cat >/dev/null"}};
    for (const auto& [args, out] : cases) {
        const CommandOutcome o = run(args, out);
        EXPECT_EQ(o.code, 1) << args << "\n" << o.err;
        EXPECT_NE(o.err.find("display"), std::string::npos) << args << "\n" << o.err;
    }
    EXPECT_EQ(readAll(dir / "work" / "kept.txt"), "kept");
    EXPECT_EQ(entries(), std::vector<std::string>{"kept.txt"});
    // A record on standard output that is a file can be rewritten: it gets as far, too.
    const CommandOutcome toFile = run("--record -", ">'" + (dir / "record.txt").string() + "'");
    EXPECT_EQ(toFile.code, 1) << toFile.err;
}

TEST_F(ProgramOutputs, AClosedStandardOutputIsOneLineAndNoOutputOfItsOwn)
{
    // Closed, it would be handed to the display's connection and the trace written into it.
    expectRefusal(run("--trace -", ">&-"), "--trace - >&-", "--trace -: standard output is closed");
    expectRefusal(run("--record -", ">&-"), "--record - >&-", "--record -: standard output is closed");
}

TEST_F(ProgramOutputs, HelpAndVersionThatCannotBeWrittenFail)
{
    for (const char* args : {"--help", "--version"}) {
        const CommandOutcome full = run(args, ">/dev/full");
        EXPECT_EQ(full.code, 1) << args;
        EXPECT_EQ(full.err, "sparkler: standard output could not be written whole (No space left on device)\n")
            << args;
        const CommandOutcome closed = run(args, ">&-");
        EXPECT_EQ(closed.code, 1) << args;
        EXPECT_EQ(lineCount(closed.err), 1u) << args << "\n" << closed.err;
        EXPECT_EQ(run(args).code, 0) << args << ": written whole, help and version end with 0";
    }
}
