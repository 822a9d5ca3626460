// Video files written by the replay tool, read back with ffprobe and ffmpeg: one video and one
// audio stream of the right codecs, every frame there and lasting its time step, the run's
// length, a sound that is heard and placed like the sparkler, pictures close to the PNGs of
// the same frames, sharp scaling, the layout every player plays by default and full colour
// when asked, and one-line refusals that leave no file. A test skips
// itself when ffprobe or ffmpeg is missing or the build writes no video. Runs are kept short.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char* replayPath = SPARKLER_REPLAY;
constexpr const char* outputDir = SPARKLER_VIDEO_OUTPUT;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a shell command; its standard output and error are returned apart. The error goes
// through a file of this process's own: CTest runs the cases as processes side by side.
Result run(const std::string& command)
{
    const fs::path errPath = fs::path(outputDir) / ("stderr-" + std::to_string(getpid()) + ".txt");
    Result result;
    std::FILE* pipe = popen((command + " 2>" + errPath.string()).c_str(), "r");
    if (pipe == nullptr)
        return result;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath);
    std::stringstream text;
    text << err.rdbuf();
    result.err = text.str();
    return result;
}

bool haveTool(const char* name)
{
    return run(std::string("command -v ") + name + " >/dev/null").exitCode == 0;
}

std::string quoted(const fs::path& path)
{
    std::string text(1, '\'');
    text += path.string();
    text += '\'';
    return text;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            result.push_back(line);
    }
    return result;
}

// The numbers that start each line of ffprobe's output.
std::vector<double> numbers(const std::string& text)
{
    std::vector<double> result;
    for (const std::string& line : lines(text)) {
        char* end = nullptr;
        const double value = std::strtod(line.c_str(), &end);
        if (end != line.c_str())
            result.push_back(value);
    }
    return result;
}

std::string probe(const fs::path& video, const std::string& what)
{
    return run("ffprobe -v error " + what + " -of csv=p=0 " + quoted(video)).out;
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

Picture readPng(const fs::path& path)
{
    Picture picture;
    int channels = 0;
    std::uint8_t* data = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (data != nullptr) {
        picture.rgb.assign(data, data + static_cast<std::size_t>(picture.width) * picture.height * 3);
        stbi_image_free(data);
    }
    return picture;
}

// Decodes picture number `index` (counted from 0) of the video to a PNG and reads it.
Picture decodedFrame(const fs::path& video, int index)
{
    const fs::path png = video.string() + "-" + std::to_string(index) + ".png";
    run("ffmpeg -v error -y -i " + quoted(video) + " -vf 'select=eq(n\\," + std::to_string(index) + ")' -frames:v 1 "
        + quoted(png));
    return readPng(png);
}

// Peak signal-to-noise ratio of `b` against `a` over all channels, in dB; `b` may be `scale`
// times larger, and is then compared pixel for pixel with `a` enlarged by nearest neighbour.
double psnr(const Picture& a, const Picture& b, int scale = 1)
{
    if (a.rgb.empty() || b.width != a.width * scale || b.height != a.height * scale)
        return 0.0;
    double sum = 0.0;
    for (int y = 0; y < b.height; ++y) {
        for (int x = 0; x < b.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const double d = double(a.rgb[(std::size_t(y / scale) * a.width + x / scale) * 3 + c])
                    - double(b.rgb[(std::size_t(y) * b.width + x) * 3 + c]);
                sum += d * d;
            }
        }
    }
    const double mse = sum / (double(b.width) * b.height * 3);
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// The RMS level of the left and right channel from `fromSeconds` on, decoded to 44.1 kHz.
std::pair<double, double> soundLevels(const fs::path& file, double fromSeconds)
{
    const std::string raw = run("ffmpeg -v error -i " + quoted(file) + " -f s16le -ac 2 -ar 44100 -").out;
    const std::size_t skip = std::size_t(fromSeconds * 44100) * 4;
    double left = 0.0;
    double right = 0.0;
    std::size_t count = 0;
    for (std::size_t i = skip; i + 4 <= raw.size(); i += 4, ++count) {
        std::int16_t l = 0;
        std::int16_t r = 0;
        std::memcpy(&l, raw.data() + i, 2);
        std::memcpy(&r, raw.data() + i + 2, 2);
        left += double(l) * l;
        right += double(r) * r;
    }
    if (count == 0)
        return {0.0, 0.0};
    return {std::sqrt(left / count), std::sqrt(right / count)};
}

class VideoFiles : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (!haveTool("ffprobe") || !haveTool("ffmpeg"))
            GTEST_SKIP() << "ffprobe or ffmpeg is missing";
        folder = fs::path(outputDir) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
        const Result help = run(std::string(replayPath) + " --help");
        if (help.out.find("--video") == std::string::npos)
            GTEST_SKIP() << "this build writes no video";
    }

    fs::path script(const std::string& text)
    {
        const fs::path path = folder / "script.txt";
        std::ofstream(path) << text;
        return path;
    }

    fs::path folder;
};

std::string ending(const ::testing::TestParamInfo<const char*>& info)
{
    return std::string(info.param).substr(1);
}

} // namespace

// A run with the sparkler carried 400 pixels right of the centre at once.
TEST_P(VideoFiles, HoldTheRunItsSoundAndItsFrames)
{
    const fs::path video = folder / (std::string("run") + GetParam());
    const int frames = 90;
    const Result replay = run(std::string(replayPath) + " --seed 11 --frames 90 --script "
                              + quoted(script("1 mouse 400 0\n")) + " --video " + quoted(video) + " --wav "
                              + quoted(folder / "run.wav") + " --png-frame 60=" + quoted(folder / "60.png"));
    ASSERT_EQ(replay.exitCode, 0) << replay.err;
    EXPECT_EQ(replay.err, "") << "nothing on a stderr that is not a terminal";

    const bool webm = std::string(GetParam()) == ".webm";
    const std::vector<std::string> streams
        = lines(probe(video, "-show_entries stream=codec_type,codec_name,width,height"));
    ASSERT_EQ(streams.size(), 2u) << probe(video, "-show_entries stream=codec_type");
    EXPECT_EQ(streams[0], webm ? "vp9,video,2048,1536" : "h264,video,2048,1536") << "twice the scene by default";
    EXPECT_EQ(streams[1], webm ? "opus,audio" : "aac,audio");

    const std::vector<double> count
        = numbers(probe(video, "-count_frames -select_streams v -show_entries stream=nb_read_frames"));
    ASSERT_EQ(count.size(), 1u);
    EXPECT_EQ(count[0], frames);
    // 90 frames of 16 ms on screen: 1.44 s, give or take one frame.
    const std::vector<double> duration = numbers(probe(video, "-show_entries format=duration"));
    ASSERT_EQ(duration.size(), 1u);
    EXPECT_NEAR(duration[0], frames * 0.016, 0.016);

    // Heard, louder on the right, and as loud as the wave file of the same mix.
    const auto [left, right] = soundLevels(video, 0.1);
    const auto [wavLeft, wavRight] = soundLevels(folder / "run.wav", 0.1);
    EXPECT_GT(right, 300.0) << "the crackle is heard";
    EXPECT_GT(right, 1.8 * left) << "left " << left << ", right " << right;
    EXPECT_NEAR(left, wavLeft, 0.15 * wavLeft);
    EXPECT_NEAR(right, wavRight, 0.15 * wavRight);

    const double db = psnr(readPng(folder / "60.png"), decodedFrame(video, 60), 2);
    EXPECT_GE(db, 35.0) << "frame 60 against its PNG";
}

// Frame 2 comes 100 ms after frame 1; frame 4 comes at the same time as frame 3 and so
// replaces it: five pictures, each lasting exactly until the next one starts.
TEST_P(VideoFiles, ShowEachFrameForItsTimeStep)
{
    const fs::path video = folder / (std::string("steps") + GetParam());
    const Result replay = run(std::string(replayPath) + " --seed 3 --frames 6 --script "
                              + quoted(script("2 dt 100\n4 dt 0\n")) + " --video " + quoted(video));
    ASSERT_EQ(replay.exitCode, 0) << replay.err;

    const std::vector<double> starts = numbers(probe(video, "-select_streams v -show_entries frame=pts_time"));
    ASSERT_EQ(starts.size(), 5u) << probe(video, "-select_streams v -show_entries frame=pts_time");
    const double expected[] = {0.016, 0.100, 0.016, 0.016};
    for (std::size_t i = 0; i + 1 < starts.size(); ++i)
        EXPECT_NEAR(starts[i + 1] - starts[i], expected[i], 0.0005) << "between pictures " << i << " and " << i + 1;
    EXPECT_LT(starts[0], 0.016) << "the first picture starts the video";
    const std::vector<double> duration = numbers(probe(video, "-show_entries format=duration"));
    ASSERT_EQ(duration.size(), 1u);
    EXPECT_NEAR(duration[0], 0.164, 0.016);
}

// By default the layout every browser and phone plays: H.264 High (not High 4:4:4) at a level
// phones decode, or VP9 profile 0, both 4:2:0; an MP4's index ahead of its data, so that it
// plays while it loads. Each pixel a sharp 2 x 2 block, which 4:2:0 keeps in full colour.
TEST_P(VideoFiles, PlayEverywhereByDefault)
{
    const fs::path video = folder / (std::string("default") + GetParam());
    const Result replay = run(std::string(replayPath) + " --seed 5 --frames 31 --video " + quoted(video)
                              + " --png-frame 30=" + quoted(folder / "30.png"));
    ASSERT_EQ(replay.exitCode, 0) << replay.err;
    const bool webm = std::string(GetParam()) == ".webm";
    const std::vector<std::string> stream
        = lines(probe(video, "-select_streams v -show_entries stream=profile,pix_fmt,width,height"));
    EXPECT_EQ(stream, std::vector<std::string>{webm ? "Profile 0,2048,1536,yuv420p" : "High,2048,1536,yuv420p"});
    if (!webm) {
        const std::vector<double> level = numbers(probe(video, "-select_streams v -show_entries stream=level"));
        ASSERT_EQ(level.size(), 1u);
        EXPECT_LE(level[0], 51) << "H.264 level 5.1 at most";
        std::ifstream file(video, std::ios::binary);
        const std::string head(std::istreambuf_iterator<char>(file), {});
        const std::size_t moov = head.find("moov");
        ASSERT_NE(moov, std::string::npos);
        EXPECT_LT(moov, head.find("mdat")) << "the index comes before the pictures";
    }
    EXPECT_GE(psnr(readPng(folder / "30.png"), decodedFrame(video, 30), 2), 35.0);
}

// Asked for, every pixel keeps its own colour (4:4:4) at the scene's own size.
TEST_P(VideoFiles, KeepFullColourWhenAsked)
{
    const fs::path video = folder / (std::string("full") + GetParam());
    const Result replay = run(std::string(replayPath) + " --seed 5 --frames 31 --video " + quoted(video)
                              + " --video-scale 1 --video-full-chroma --png-frame 30=" + quoted(folder / "30.png"));
    ASSERT_EQ(replay.exitCode, 0) << replay.err;
    const bool webm = std::string(GetParam()) == ".webm";
    EXPECT_EQ(lines(probe(video, "-select_streams v -show_entries stream=profile,pix_fmt,width,height")),
              std::vector<std::string>{webm ? "Profile 1,1024,768,yuv444p" : "High 4:4:4 Predictive,1024,768,yuv444p"});
    EXPECT_GE(psnr(readPng(folder / "30.png"), decodedFrame(video, 30)), 35.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, VideoFiles, ::testing::Values(".webm", ".mp4"), ending);

TEST(VideoCommandLine, AnEndingItCannotWriteIsOneLineAndExit2)
{
    const fs::path folder = fs::path(outputDir) / "endings";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* name : {"run.avi", "run", "run.webm.txt", ".mp4"}) {
        SCOPED_TRACE(name);
        const Result replay = run(std::string(replayPath) + " --seed 1 --frames 3 --video " + quoted(folder / name));
        EXPECT_EQ(replay.exitCode, 2);
        EXPECT_EQ(lines(replay.err).size(), 1u) << replay.err;
        EXPECT_EQ(replay.err.rfind("sparkler-replay: ", 0), 0u) << replay.err;
    }
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST(VideoCommandLine, AFailedRunLeavesNoVideo)
{
    if (run(std::string(replayPath) + " --help").out.find("--video") == std::string::npos)
        GTEST_SKIP() << "this build writes no video";
    const fs::path folder = fs::path(outputDir) / "failed";
    fs::remove_all(folder);
    fs::create_directories(folder);
    // A file size limit of 64 KiB stands for a full disk: the video's writes fail part way.
    // No sound server is tried (its shared memory would fail under the limit and say so).
    const Result replay = run("ALSOFT_DRIVERS=null sh -c \"trap '' XFSZ; ulimit -f 64; exec " + std::string(replayPath)
                              + " --seed 1 --frames 60 --video " + quoted(folder / "run.mp4") + "\"");
    EXPECT_EQ(replay.exitCode, 1) << replay.err;
    EXPECT_EQ(lines(replay.err).size(), 1u) << replay.err;
    EXPECT_TRUE(fs::is_empty(folder)) << "neither the video nor a temporary file is left";
}
