// VideoWriter: the format chosen by a name's ending, and the file rules: a video appears under
// its name only when it was finished whole, with a new file's usual mode, and a refused or
// unfinished one leaves nothing in its folder (no temporary file either). What the finished
// files hold is checked with ffprobe by the video tests.
#include "platform/VideoWriter.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A fresh empty folder for one test.
fs::path freshFolder(const std::string& name)
{
    const fs::path folder = fs::path(SPARKLER_TEST_OUTPUT) / "video-writer" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

VideoSettings small(const fs::path& path)
{
    VideoSettings settings;
    settings.path = path.string();
    settings.width = 64;
    settings.height = 48;
    return settings;
}

#define SKIP_WITHOUT_VIDEO()                                                                                           \
    if (*videoEndings() == '\0')                                                                                       \
    GTEST_SKIP() << "this build has no video output"

} // namespace

TEST(VideoWriter, TheEndingChoosesTheFormat)
{
    EXPECT_EQ(videoFormatFor("run.webm"), VideoFormat::WebM);
    EXPECT_EQ(videoFormatFor("out/run.mp4"), VideoFormat::Mp4);
    EXPECT_EQ(videoFormatFor("RUN.MP4"), VideoFormat::Mp4);
    EXPECT_EQ(videoFormatFor("run.WebM"), VideoFormat::WebM);
    EXPECT_EQ(videoFormatFor("run.avi"), VideoFormat::Unknown);
    EXPECT_EQ(videoFormatFor("run"), VideoFormat::Unknown);
    EXPECT_EQ(videoFormatFor("run.mp4.avi"), VideoFormat::Unknown);
    EXPECT_EQ(videoFormatFor("runmp4"), VideoFormat::Unknown);
    // An ending alone, or after a folder's slash, names no file.
    EXPECT_EQ(videoFormatFor(".mp4"), VideoFormat::Unknown);
    EXPECT_EQ(videoFormatFor("out/.webm"), VideoFormat::Unknown);
    EXPECT_EQ(videoFormatFor(""), VideoFormat::Unknown);
}

TEST(VideoWriter, RefusesWhatItCannotWriteAndLeavesNothing)
{
    SKIP_WITHOUT_VIDEO();
    const fs::path folder = freshFolder("refuses");
    std::string error;
    EXPECT_EQ(openVideoWriter(small(folder / "run.avi"), error), nullptr);
    EXPECT_NE(error.find("run.avi"), std::string::npos) << error;

    VideoSettings tooLarge = small(folder / "run.mp4");
    tooLarge.scale = kMaxVideoScale + 1;
    error.clear();
    EXPECT_EQ(openVideoWriter(tooLarge, error), nullptr);
    EXPECT_FALSE(error.empty());

    error.clear();
    EXPECT_EQ(openVideoWriter(small(folder / "missing" / "run.webm"), error), nullptr);
    EXPECT_NE(error.find("missing/run.webm"), std::string::npos) << error;
    EXPECT_TRUE(filesIn(folder).empty());
}

TEST(VideoWriter, AFinishedVideoAppearsWholeUnderItsName)
{
    SKIP_WITHOUT_VIDEO();
    const fs::path folder = freshFolder("finished");
    for (const char* name : {"run.webm", "run.mp4"}) {
        SCOPED_TRACE(name);
        std::string error;
        auto writer = openVideoWriter(small(folder / name), error);
        ASSERT_NE(writer, nullptr) << error;
        std::vector<std::uint16_t> pixels(64 * 48, 0xF800);
        const std::vector<std::int16_t> sound(2 * 441, 1000);
        for (std::uint64_t ms = 0; ms < 100; ms += 20) {
            ASSERT_TRUE(writer->addSound(sound.data(), 441, error)) << error;
            pixels[ms] = 0x07E0;
            ASSERT_TRUE(writer->addFrame(pixels.data(), ms, error)) << error;
        }
        EXPECT_FALSE(fs::exists(folder / name)) << "the name is taken only once the file is whole";
        ASSERT_TRUE(writer->finish(100, error)) << error;
        EXPECT_GT(fs::file_size(folder / name), 1000u);

        // The mode any new file gets under the umask, not the private one of a temporary file.
        const mode_t mask = umask(0);
        umask(mask);
        struct stat info {};
        ASSERT_EQ(stat((folder / name).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
    }
    EXPECT_EQ(filesIn(folder).size(), 2u) << "no temporary file is left beside the videos";
}

TEST(VideoWriter, AnUnfinishedOrWrongRunLeavesNoFile)
{
    SKIP_WITHOUT_VIDEO();
    const fs::path folder = freshFolder("unfinished");
    const std::vector<std::uint16_t> pixels(64 * 48, 0x001F);
    std::string error;
    {
        auto writer = openVideoWriter(small(folder / "dropped.mp4"), error);
        ASSERT_NE(writer, nullptr) << error;
        ASSERT_TRUE(writer->addFrame(pixels.data(), 0, error)) << error;
        // Destroyed without finish, as after a failed frame.
    }
    {
        auto writer = openVideoWriter(small(folder / "empty.webm"), error);
        ASSERT_NE(writer, nullptr) << error;
        EXPECT_FALSE(writer->finish(100, error)) << "a video of no frame at all";
        EXPECT_NE(error.find("no frame"), std::string::npos) << error;
    }
    {
        auto writer = openVideoWriter(small(folder / "backwards.webm"), error);
        ASSERT_NE(writer, nullptr) << error;
        ASSERT_TRUE(writer->addFrame(pixels.data(), 50, error)) << error;
        EXPECT_FALSE(writer->addFrame(pixels.data(), 40, error)) << "a frame may not start before the last";
    }
    EXPECT_TRUE(filesIn(folder).empty());
}
