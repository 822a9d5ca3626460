// ScreenshotFile: one file per press, however quick the presses, and the pictures folder when
// the working directory cannot be written (a removed working directory: that holds for root).
#include "platform/ScreenshotFile.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ScreenshotFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::path(SPARKLER_TEST_OUTPUT) / ("shots-" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "work");
        fs::create_directories(root / "home");
        saved = fs::current_path();
        const char* home = std::getenv("HOME");
        savedHome = home != nullptr ? home : "";
        ::setenv("HOME", (root / "home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (root / "home" / ".config").c_str(), 1);
        fs::current_path(root / "work");
    }
    void TearDown() override
    {
        fs::current_path(saved);
        ::setenv("HOME", savedHome.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(root);
    }

    static std::vector<std::string> pngsIn(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".png")
                names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path root;
    fs::path saved;
    std::string savedHome;
    std::vector<std::uint16_t> frame = std::vector<std::uint16_t>(32 * 24, 0xF800);
};

} // namespace

TEST_F(ScreenshotFileTest, EveryPressGivesItsOwnFile)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        std::string error;
        const SavedScreenshot shot = saveScreenshotFile(frame.data(), 32, 24, error);
        ASSERT_FALSE(shot.path.empty()) << error;
        EXPECT_FALSE(shot.inPicturesFolder);
        paths.push_back(shot.path);
    }
    EXPECT_EQ(pngsIn(root / "work").size(), 6u) << "six presses within a second keep six pictures";
    for (const std::string& path : paths)
        EXPECT_EQ(path.rfind("sparkler-", 0), 0u) << path;
}

TEST_F(ScreenshotFileTest, ATakenNameGetsACounter)
{
    const std::string first = screenshotName("", 1765180800, 250);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.size(), std::string("sparkler-20251208-080000-250.png").size()) << first;
    fs::create_directories(first); // anything under that name takes it
    const std::string second = screenshotName("", 1765180800, 250);
    EXPECT_EQ(second, first.substr(0, first.size() - 4) + "-2.png");
}

TEST_F(ScreenshotFileTest, AnUnwritableWorkingDirectorySendsThePictureToThePicturesFolder)
{
    fs::remove(root / "work"); // the working directory is gone: nothing can be created in it
    std::string error;
    const SavedScreenshot shot = saveScreenshotFile(frame.data(), 32, 24, error);
    ASSERT_FALSE(shot.path.empty()) << error;
    EXPECT_TRUE(shot.inPicturesFolder);
    // With no pictures folder configured, the user's pictures folder is the home folder.
    EXPECT_EQ(fs::path(shot.path).parent_path(), root / "home") << shot.path;
    EXPECT_EQ(pngsIn(root / "home").size(), 1u);
    fs::current_path(saved);
}

TEST_F(ScreenshotFileTest, NowhereToWriteIsAnError)
{
    fs::remove(root / "work");
    ::setenv("HOME", (root / "no-such-home").c_str(), 1);
    std::string error;
    const SavedScreenshot shot = saveScreenshotFile(frame.data(), 32, 24, error);
    EXPECT_TRUE(shot.path.empty());
    EXPECT_FALSE(error.empty());
    fs::current_path(saved);
}
