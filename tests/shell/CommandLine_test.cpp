// The program's command line: no arguments runs as always, --help and --version answer and
// end with 0, --window and --display are taken, and anything else is one line and exit 2.
#include "shell/CommandLine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Parsed {
    std::optional<int> exitCode;
    ProgramOptions options;
    std::string out;
    std::string err;
};

Parsed parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "sparkler");
    Parsed result;
    std::ostringstream out;
    std::ostringstream err;
    result.exitCode = parseCommandLine(static_cast<int>(args.size()), args.data(), result.options, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// Whether text is "NAME X.Y.Z" and a newline, the version being three dot-separated numbers.
bool isVersionLine(const std::string& text, const std::string& name)
{
    const std::string prefix = name + " ";
    if (text.rfind(prefix, 0) != 0 || text.size() < prefix.size() + 6 || text.back() != '\n')
        return false;
    int dots = 0;
    bool digitBefore = false;
    for (std::size_t i = prefix.size(); i + 1 < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && digitBefore) {
            ++dots;
            digitBefore = false;
        } else if (c >= '0' && c <= '9') {
            digitBefore = true;
        } else {
            return false;
        }
    }
    return dots == 2 && digitBefore;
}

// One line on stderr that names the program and the offending word, and exit code 2.
void expectOneLineError(const Parsed& parsed, const std::string& mentions)
{
    ASSERT_TRUE(parsed.exitCode.has_value());
    EXPECT_EQ(*parsed.exitCode, 2);
    EXPECT_TRUE(parsed.out.empty()) << parsed.out;
    ASSERT_FALSE(parsed.err.empty());
    EXPECT_EQ(std::count(parsed.err.begin(), parsed.err.end(), '\n'), 1) << parsed.err;
    EXPECT_EQ(parsed.err.back(), '\n');
    EXPECT_EQ(parsed.err.rfind("sparkler: ", 0), 0u) << parsed.err;
    EXPECT_NE(parsed.err.find(mentions), std::string::npos) << parsed.err;
}

} // namespace

TEST(CommandLine, NoArgumentsRunsFullScreenWhereTheDesktopPutsTheWindow)
{
    const Parsed parsed = parse({});
    EXPECT_FALSE(parsed.exitCode.has_value());
    EXPECT_FALSE(parsed.options.window);
    EXPECT_EQ(parsed.options.display, -1);
    EXPECT_TRUE(parsed.out.empty());
    EXPECT_TRUE(parsed.err.empty());
}

TEST(CommandLine, HelpListsTheOptionsAndTheKeysAndEndsWithZero)
{
    for (const char* flag : {"--help", "-h"}) {
        SCOPED_TRACE(flag);
        const Parsed parsed = parse({flag});
        ASSERT_TRUE(parsed.exitCode.has_value());
        EXPECT_EQ(*parsed.exitCode, 0);
        EXPECT_TRUE(parsed.err.empty());
        for (const char* text : {"Usage: sparkler", "--window", "--display N", "--version", "Alt+Enter", "Escape"})
            EXPECT_NE(parsed.out.find(text), std::string::npos) << text << " missing from\n" << parsed.out;
    }
}

TEST(CommandLine, VersionIsOneLineWithTheProgramsNameAndEndsWithZero)
{
    const Parsed parsed = parse({"--version"});
    ASSERT_TRUE(parsed.exitCode.has_value());
    EXPECT_EQ(*parsed.exitCode, 0);
    EXPECT_TRUE(isVersionLine(parsed.out, "sparkler")) << parsed.out;
    EXPECT_TRUE(parsed.err.empty());
}

TEST(CommandLine, WindowAndDisplayAreTakenInEitherOrderAndSpelling)
{
    const Parsed window = parse({"--window"});
    EXPECT_FALSE(window.exitCode.has_value());
    EXPECT_TRUE(window.options.window);
    EXPECT_EQ(window.options.display, -1);

    const Parsed both = parse({"--display", "1", "--window"});
    EXPECT_FALSE(both.exitCode.has_value());
    EXPECT_TRUE(both.options.window);
    EXPECT_EQ(both.options.display, 1);

    const Parsed joined = parse({"--display=0"});
    EXPECT_FALSE(joined.exitCode.has_value());
    EXPECT_FALSE(joined.options.window);
    EXPECT_EQ(joined.options.display, 0);
}

TEST(CommandLine, AnUnknownOptionIsOneLineAndExitTwo)
{
    expectOneLineError(parse({"--fullscreen"}), "--fullscreen");
    expectOneLineError(parse({"-x"}), "-x");
    expectOneLineError(parse({"extra"}), "extra");
}

TEST(CommandLine, ABadMonitorNumberIsOneLineAndExitTwo)
{
    expectOneLineError(parse({"--display", "-1"}), "--display");
    expectOneLineError(parse({"--display", "two"}), "--display");
    expectOneLineError(parse({"--display"}), "--display");
    expectOneLineError(parse({"--display", "1.5"}), "--display");
}

TEST(CommandLine, AMissingMonitorIsNamedWithHowManyThereAre)
{
    EXPECT_EQ(missingMonitorMessage(3, 1), "--display 3: there is no monitor 3; this desktop has 1 (numbered from 0)");
}

TEST(CommandLine, RecordAndTraceTakeTheirFilesAndNeedOne)
{
    const Parsed parsed = parse({"--record", "session.txt", "--trace", "-", "--window"});
    ASSERT_FALSE(parsed.exitCode.has_value()) << parsed.err;
    EXPECT_EQ(parsed.options.recordPath, "session.txt");
    EXPECT_EQ(parsed.options.tracePath, "-");
    EXPECT_TRUE(parsed.options.window);
    EXPECT_TRUE(parse({}).options.recordPath.empty());
    expectOneLineError(parse({"--record"}), "--record");
    expectOneLineError(parse({"--trace"}), "--trace");
}
