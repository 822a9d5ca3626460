// AtomicFile: whole files or none. A full disk is simulated with a file size limit (writes past
// it fail with EFBIG, as they would with ENOSPC), and /dev/full stands for a full device.
#include "platform/AtomicFile.hpp"

#include "support/FileSizeLimit.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::path(SPARKLER_TEST_OUTPUT) / ("atomic-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string at(const char* name) const { return (folder / name).string(); }

    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder;
};

} // namespace

TEST_F(AtomicFileTest, WritesTheWholeFileAndLeavesNoTemporary)
{
    AtomicFile file;
    std::string error;
    ASSERT_TRUE(file.open(at("out.txt"), error)) << error;
    EXPECT_FALSE(fs::exists(at("out.txt"))) << "nothing appears under the final name before commit";
    std::string expected;
    for (int i = 0; i < 20000; ++i) { // past the buffer several times over
        const std::string line = "line " + std::to_string(i) + "\n";
        ASSERT_TRUE(file.write(line));
        expected += line;
    }
    ASSERT_TRUE(file.commit(error)) << error;
    EXPECT_EQ(contents(at("out.txt")), expected);
    EXPECT_EQ(entries(), std::vector<std::string>{"out.txt"});
}

TEST_F(AtomicFileTest, ReplacesAnOldFileOnlyWhenTheNewOneIsWhole)
{
    std::string error;
    ASSERT_TRUE(AtomicFile::writeWhole(at("out.txt"), "old", 3, error)) << error;
    const std::string big(100000, 'x');
    {
        FileSizeLimit limit(50000);
        EXPECT_FALSE(AtomicFile::writeWhole(at("out.txt"), big.data(), big.size(), error));
    }
    EXPECT_NE(error.find(at("out.txt")), std::string::npos) << error;
    EXPECT_NE(error.find("could not be written whole"), std::string::npos) << error;
    EXPECT_EQ(contents(at("out.txt")), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"out.txt"}) << "the failed temporary is removed";

    ASSERT_TRUE(AtomicFile::writeWhole(at("out.txt"), big.data(), big.size(), error)) << error;
    EXPECT_EQ(contents(at("out.txt")), big);
}

TEST_F(AtomicFileTest, AFailureInTheLastBufferedBytesIsSeenAtCommit)
{
    // Everything fits the buffer, so only the flush at commit meets the limit.
    FileSizeLimit limit(10);
    AtomicFile file;
    std::string error;
    ASSERT_TRUE(file.open(at("small.txt"), error)) << error;
    EXPECT_TRUE(file.write(std::string(100, 'y')));
    EXPECT_FALSE(file.commit(error));
    EXPECT_FALSE(fs::exists(at("small.txt")));
    EXPECT_TRUE(entries().empty());
}

TEST_F(AtomicFileTest, AbandonedOrDroppedFilesLeaveTheTargetAlone)
{
    std::string error;
    ASSERT_TRUE(AtomicFile::writeWhole(at("keep.txt"), "kept", 4, error)) << error;
    {
        AtomicFile dropped;
        ASSERT_TRUE(dropped.open(at("keep.txt"), error)) << error;
        dropped.write("new");
    }
    AtomicFile abandoned;
    ASSERT_TRUE(abandoned.open(at("keep.txt"), error)) << error;
    abandoned.write("new");
    abandoned.abandon();
    EXPECT_FALSE(abandoned.commit(error));
    EXPECT_EQ(contents(at("keep.txt")), "kept");
    EXPECT_EQ(entries(), std::vector<std::string>{"keep.txt"});
}

TEST_F(AtomicFileTest, UnwritablePlacesAreRefusedUpFront)
{
    std::string error;
    ASSERT_TRUE(AtomicFile::writeWhole(at("plain"), "x", 1, error)) << error;
    // A missing folder, a folder that is a file, a folder as the target, no name at all. These
    // hold for root too, unlike permission bits.
    const std::string bad[] = {at("missing/out.png"), at("plain/out.png"), folder.string(), at("")};
    for (const std::string& path : bad) {
        error.clear();
        EXPECT_FALSE(AtomicFile::canCreate(path, error)) << path;
        EXPECT_FALSE(error.empty()) << path;
        AtomicFile file;
        EXPECT_FALSE(file.open(path, error)) << path;
    }
    EXPECT_TRUE(AtomicFile::canCreate(at("fresh.png"), error)) << error;
    EXPECT_EQ(entries(), std::vector<std::string>{"plain"}) << "the probe leaves nothing behind";
}

TEST_F(AtomicFileTest, DevicesAreWrittenInPlaceAndChecked)
{
    std::string error;
    EXPECT_TRUE(AtomicFile::writeWhole("/dev/null", "abc", 3, error)) << error;
    EXPECT_FALSE(AtomicFile::writeWhole("/dev/full", "abc", 3, error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "a device is never renamed over";
}
