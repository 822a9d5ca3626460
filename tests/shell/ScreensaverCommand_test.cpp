// The Windows screensaver's command line in the forms Windows and its users give it: the mode,
// the window handle (separate or after a colon), a .scr started bare, the program's own options
// left alone, and a preview without a usable handle refused in one line.
#include "shell/ScreensaverCommand.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

SaverCommand read(std::vector<const char*> args, const char* program = "C:\\Windows\\System32\\sparkler.scr")
{
    args.insert(args.begin(), program);
    return readSaverCommand(static_cast<int>(args.size()), args.data());
}

TEST(ScreensaverCommand, ReadsEveryFormOfTheThreeModes)
{
    for (const char* show : {"/s", "/S", "-s", "-S"}) {
        const SaverCommand command = read({show});
        EXPECT_EQ(command.mode, SaverMode::Show) << show;
        EXPECT_TRUE(command.error.empty()) << show;
    }
    struct Preview {
        std::vector<const char*> args;
        std::uint64_t window;
    };
    for (const Preview& preview : {Preview{{"/p", "1234"}, 1234}, Preview{{"/P", "66302"}, 66302},
                                   Preview{{"/p:918374"}, 918374}, Preview{{"-p", "42"}, 42},
                                   Preview{{"/p", "18446744073709551"}, 18446744073709551ull}}) {
        const SaverCommand command = read(preview.args);
        EXPECT_EQ(command.mode, SaverMode::Preview) << preview.args[0];
        EXPECT_EQ(command.window, preview.window) << preview.args[0];
        EXPECT_TRUE(command.error.empty()) << command.error;
    }
    const SaverCommand owned = read({"/c:5678"});
    EXPECT_EQ(owned.mode, SaverMode::Settings);
    EXPECT_EQ(owned.window, 5678u);
    const SaverCommand bare = read({"/C"});
    EXPECT_EQ(bare.mode, SaverMode::Settings);
    EXPECT_EQ(bare.window, 0u);
}

TEST(ScreensaverCommand, AScrStartedBareShowsItsSettingsAndTheProgramRunsAsAlways)
{
    EXPECT_EQ(read({}).mode, SaverMode::Settings);
    EXPECT_EQ(read({}, "SPARKLER.SCR").mode, SaverMode::Settings);
    EXPECT_EQ(read({}, "C:\\Games\\sparkler.exe").mode, SaverMode::None);
    // The program's own options are not a screensaver's, under either name.
    for (const char* own : {"--window", "--autopilot", "--help", "-h", "/x", "--s", "s", "/sx", "/s1"}) {
        const SaverCommand command = read({own}, "sparkler.exe");
        EXPECT_EQ(command.mode, SaverMode::None) << own;
        EXPECT_TRUE(command.error.empty()) << own;
    }
}

TEST(ScreensaverCommand, APreviewWithoutAUsableHandleIsRefusedInOneLine)
{
    for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
             {"/p"}, {"/p", "0"}, {"/p", "0x1a2b"}, {"/p", "-5"}, {"/p:"}, {"/p:12a"}, {"/p", "12345678901234567890"}}) {
        const SaverCommand command = read(args);
        EXPECT_FALSE(command.error.empty()) << args.size();
        EXPECT_EQ(command.error.find('\n'), std::string::npos) << command.error;
        EXPECT_NE(command.error.find("preview window"), std::string::npos) << command.error;
    }
    EXPECT_EQ(read({"/p", "abc"}).error, "/p needs the preview window's handle, a decimal number (/p 1234)");
}

} // namespace
