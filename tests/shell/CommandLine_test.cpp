// The program's command line: no arguments runs as always, --help and --version answer and
// end with 0, --window and --display are taken, and anything else is one line and exit 2.
#include "shell/CommandLine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
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

TEST(CommandLine, AWindowIdIsHexWithItsPrefixOrDecimalAndNothingElse)
{
    EXPECT_EQ(parseWindowId("0x1a00004"), 0x1a00004u);
    EXPECT_EQ(parseWindowId("0X1A00004"), 0x1a00004u);
    EXPECT_EQ(parseWindowId("27262980"), 27262980u);
    for (const char* bad : {"", "0x", "0", "0x0", "1a00004", "0x1g", "-5", "12 ", "0x20000000", "99999999999", " 12"})
        EXPECT_FALSE(parseWindowId(bad).has_value()) << '"' << bad << '"';

    const Parsed parsed = parse({"--window-id", "0x400007", "--sound", "--write", "Hi"});
    ASSERT_FALSE(parsed.exitCode.has_value()) << parsed.err;
    EXPECT_EQ(parsed.options.windowId, 0x400007u);
    EXPECT_TRUE(parsed.options.sound);
    EXPECT_FALSE(parsed.options.root);
    expectOneLineError(parse({"--window-id", "window"}), "--window-id");
    expectOneLineError(parse({"--window-id"}), "--window-id");
}

TEST(CommandLine, AGivenWindowExcludesTheOtherPlacesToDraw)
{
    // A screensaver's preview appends --window-id to the command that has --root: the id wins.
    const Parsed preview = parse({"--root", "--window-id", "0x400007"});
    ASSERT_FALSE(preview.exitCode.has_value()) << preview.err;
    EXPECT_EQ(preview.options.windowId, 0x400007u);
    expectOneLineError(parse({"--window-id", "0x400007", "--window"}), "--window");
    expectOneLineError(parse({"--root", "--display", "1"}), "--display");
    const Parsed root = parse({"--root"});
    ASSERT_FALSE(root.exitCode.has_value()) << root.err;
    EXPECT_TRUE(root.options.root);
    EXPECT_EQ(root.options.windowId, 0u);
}

TEST(CommandLine, TheScreensaversWindowComesFromItsEnvironmentUnlessTheCommandLineNamesOne)
{
    ::setenv("XSCREENSAVER_WINDOW", "0x600003", 1);
    EXPECT_EQ(parse({}).options.windowId, 0x600003u);
    EXPECT_EQ(parse({"--window-id", "0x400007"}).options.windowId, 0x400007u);
    EXPECT_EQ(parse({"--root"}).options.windowId, 0x600003u); // the daemon's own root
    EXPECT_EQ(parse({"--window"}).options.windowId, 0u);
    EXPECT_EQ(parse({"--display", "0"}).options.windowId, 0u);
    ::setenv("XSCREENSAVER_WINDOW", "nonsense", 1);
    expectOneLineError(parse({}), "XSCREENSAVER_WINDOW");
    ::setenv("XSCREENSAVER_WINDOW", "", 1);
    EXPECT_EQ(parse({}).options.windowId, 0u);
    ::unsetenv("XSCREENSAVER_WINDOW");
    EXPECT_EQ(parse({}).options.windowId, 0u);
}

// The screensaver settings file's arguments: every arg, arg-set and arg-unset, a number's
// "%" as its low, high and default value, a string's as a word.
std::vector<std::vector<std::string>> settingsArguments(const std::string& xml)
{
    std::vector<std::vector<std::string>> lines;
    // Read by hand rather than with <regex>, whose inlined code trips the compiler's
    // maybe-uninitialized warning in the sanitizer build.
    for (std::size_t open = xml.find('<'); open != std::string::npos; open = xml.find('<', open + 1)) {
        const std::size_t close = xml.find('>', open);
        if (close == std::string::npos)
            break;
        const std::string tag = xml.substr(open + 1, close - open - 1);
        const std::string name = tag.substr(0, tag.find_first_of(" \t\n/"));
        if (name != "number" && name != "string" && name != "boolean" && name != "option" && name != "command")
            continue;
        std::map<std::string, std::string> values;
        for (const char* key : {"arg", "arg-set", "arg-unset", "low", "high", "default"}) {
            const std::string lead = std::string(key) + "=\"";
            for (std::size_t at = tag.find(lead); at != std::string::npos; at = tag.find(lead, at + 1)) {
                const char before = at == 0 ? ' ' : tag[at - 1];
                if (before != ' ' && before != '\t' && before != '\n')
                    continue;
                const std::size_t start = at + lead.size();
                const std::size_t end = tag.find('"', start);
                if (end != std::string::npos)
                    values[key] = tag.substr(start, end - start);
                break;
            }
        }
        std::vector<std::string> fills{"Hello"};
        if (name == "number")
            fills = {values["low"], values["high"], values["default"]};
        for (const char* key : {"arg", "arg-set", "arg-unset"}) {
            if (values.count(key) == 0)
                continue;
            for (const std::string& fill : fills) {
                std::string text = values[key];
                const std::size_t at = text.find('%');
                if (at != std::string::npos)
                    text.replace(at, 1, fill);
                std::istringstream words(text);
                std::vector<std::string> line;
                for (std::string word; words >> word;)
                    line.push_back(word);
                lines.push_back(line);
            }
        }
    }
    return lines;
}

TEST(CommandLine, EveryArgumentOfTheScreensaverSettingsIsTaken)
{
    std::ifstream in(std::string(SPARKLER_DIST_DIR) + "/xscreensaver/sparkler.xml");
    ASSERT_TRUE(in.good());
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<std::vector<std::string>> lines = settingsArguments(xml);
    ASSERT_GE(lines.size(), 14u) << "the command, words, eight colours, trails, three gravities and sound";
    std::set<std::string> options;
    for (const std::vector<std::string>& line : lines) {
        std::vector<const char*> args{"--root"};
        for (const std::string& word : line)
            args.push_back(word.c_str());
        const Parsed parsed = parse(args);
        EXPECT_FALSE(parsed.exitCode.has_value()) << line.front() << ": " << parsed.err;
        options.insert(line.front());
    }
    for (const char* expected : {"--root", "--write", "--colour", "--trails", "--gravity", "--sound"})
        EXPECT_EQ(options.count(expected), 1u) << expected;
}

TEST(CommandLine, ColourTrailsAndGravityAreTheirKeysOwnRange)
{
    const Parsed parsed = parse({"--colour", "8", "--trails", "--gravity", "-3"});
    ASSERT_FALSE(parsed.exitCode.has_value()) << parsed.err;
    EXPECT_EQ(parsed.options.colour, 8);
    EXPECT_TRUE(parsed.options.trails);
    EXPECT_EQ(parsed.options.gravity, -3);
    const Parsed none = parse({});
    EXPECT_EQ(none.options.colour, 0);
    EXPECT_FALSE(none.options.trails);
    EXPECT_EQ(none.options.gravity, 0);
    expectOneLineError(parse({"--colour", "0"}), "--colour");
    expectOneLineError(parse({"--colour", "9"}), "--colour");
    expectOneLineError(parse({"--gravity", "10"}), "--gravity");
    expectOneLineError(parse({"--gravity", "up"}), "--gravity");
}
