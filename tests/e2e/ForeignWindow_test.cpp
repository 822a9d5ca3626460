// End-to-end: the program drawing into a window another X client made (a tiny host of the
// test's own, pure green), as a screensaver daemon or a wallpaper wrapper hands one over: by
// --window-id, XSCREENSAVER_WINDOW or --root on a virtual root. The night scene fills the window
// with the aspect kept and black bars (no green left), follows its size, makes no window of its
// own, does no frame work while the window is unmapped, ends at SIGTERM with exit 0 within a
// second, and in one line when the window is destroyed. It opens no sound device unless --sound
// asks for one, plays both sounds when it does, and runs on without one. Under a window manager
// it serves as a live wallpaper: drawn into a desktop window with other windows kept above it.
#include "support/ProgramFixture.hpp"
#include "support/WaveReader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>

using namespace e2e;

namespace {

constexpr const char* hostPath = SPARKLER_WINDOW_HOST;

bool isGreen(Rgb p)
{
    return p.g > 200 && p.r < 60 && p.b < 60;
}

bool isBlack(Rgb p)
{
    return p.r < 8 && p.g < 8 && p.b < 8;
}

// Where a 4:3 frame lands in a window of the given size: the largest 4:3 area, centred.
Region sceneIn(int width, int height)
{
    if (width * 3 > height * 4) {
        const int w = height * 4 / 3;
        return {(width - w) / 2, 0, (width + w) / 2, height};
    }
    const int h = width * 3 / 4;
    return {0, (height - h) / 2, width, (height + h) / 2};
}

class ForeignWindow : public SparklerE2e {
protected:
    // Starts a host window; its id in hex.
    std::string startHost(int width, int height, const std::vector<std::string>& extra = {})
    {
        const std::string name = scratch + "/host" + std::to_string(hosts.size());
        SpawnOptions options;
        options.argv = {hostPath, std::to_string(width), std::to_string(height)};
        options.argv.insert(options.argv.end(), extra.begin(), extra.end());
        options.env = childEnvironment();
        options.stdoutPath = name + ".out";
        options.stderrPath = name + ".err";
        std::string error;
        hosts.push_back(spawn(options, error));
        EXPECT_GT(hosts.back(), 0) << error;
        std::string id;
        pollUntil(10s, [&] {
            const std::string text = readFile(name + ".out");
            id = text.substr(0, text.find('\n'));
            return text.find('\n') != std::string::npos;
        });
        EXPECT_FALSE(id.empty()) << "the host window did not start: " << readFile(name + ".err");
        return id;
    }

    void startIn(const std::vector<std::string>& arguments, const std::vector<std::string>& env = {})
    {
        SpawnOptions options;
        options.argv = {programPath};
        options.argv.insert(options.argv.end(), arguments.begin(), arguments.end());
        options.env = childEnvironment(env);
        options.stderrPath = scratch + "/program.err";
        options.stdoutPath = scratch + "/program.out";
        std::string error;
        program = spawn(options, error);
        ASSERT_GT(program, 0) << error;
    }

    // The ids of the root window's children.
    std::set<std::string> topLevelWindows()
    {
        std::set<std::string> ids;
        std::istringstream lines(tool({"xwininfo", "-root", "-children"}).output);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t at = line.find("0x");
            if (at != std::string::npos && line.find("children") == std::string::npos
                && line.find("Root window id") == std::string::npos)
                ids.insert(line.substr(at, line.find(' ', at) - at));
        }
        return ids;
    }

    // Waits until the window (at the screen's top left) shows the scene whole: no green left,
    // sparks in the scene's area, the bars outside it black. The last screenshot.
    Image waitForScene(const std::string& label, int width, int height, bool* shown)
    {
        const Region scene = sceneIn(width, height);
        return screenshotWhen(label, 20s, [&](const Image& shot) {
            return countIf(shot, {0, 0, width, height}, isGreen) == 0
                && countIf(shot, scene, isSparkColour) > 20
                && countIf(shot, {0, 0, scene.left, height}, [](Rgb p) { return !isBlack(p); }) == 0
                && countIf(shot, {scene.right, 0, width, height}, [](Rgb p) { return !isBlack(p); }) == 0
                && countIf(shot, {0, 0, width, scene.top}, [](Rgb p) { return !isBlack(p); }) == 0
                && countIf(shot, {0, scene.bottom, width, height}, [](Rgb p) { return !isBlack(p); }) == 0;
        }, shown);
    }

    // OpenAL Soft's wave backend as the sound device, writing its mix to `wavePath` (none when
    // empty: the device then cannot be opened), at the sounds' own rate, in floating point.
    std::vector<std::string> waveSound(const std::string& wavePath)
    {
        const std::string confPath = scratch + "/alsoft.conf";
        std::ofstream(confPath) << "[general]\nfrequency=44100\nchannels=stereo\nsample-type=float32\n"
                                << "stereo-encoding=panpot\nhrtf=false\n[wave]\nfile=" << wavePath << "\n";
        return {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + confPath};
    }

    // Ends the program with SIGTERM: its exit code, or none when it is still running a second on.
    std::optional<int> terminate()
    {
        ::kill(program, SIGTERM);
        const std::optional<int> code = waitForExit(program, 1s);
        if (code.has_value())
            program = -1;
        return code;
    }

    void TearDown() override
    {
        for (pid_t& host : hosts)
            stopProcess(host);
        SparklerE2e::TearDown();
    }

    std::vector<pid_t> hosts;
};

class LargeScreenForeignWindow : public ForeignWindow {
protected:
    LargeScreenForeignWindow()
    {
        shotWidth = 1920;
        shotHeight = 1080;
    }
};

// A live wallpaper: a desktop window under a window manager (openbox), as a wrapper makes one.
class WallpaperWindow : public ForeignWindow {
protected:
    WallpaperWindow() { withWindowManager = true; }

    // Where a window is on the screen (its inside, without the manager's frame).
    Region placeOf(const std::string& id)
    {
        const std::string info = tool({"xwininfo", "-id", id}).output;
        auto field = [&](const std::string& name) {
            const std::size_t at = info.find(name);
            return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + name.size());
        };
        const int left = field("Absolute upper-left X:");
        const int top = field("Absolute upper-left Y:");
        return {left, top, left + field("Width:"), top + field("Height:")};
    }
};

TEST_F(ForeignWindow, DrawsTheSceneIntoTheWindowGivenWithoutOneOfItsOwnAndEndsAtSigterm)
{
    if (findOnPath("xwininfo").empty())
        GTEST_SKIP() << "xwininfo is not installed";
    const std::string id = startHost(800, 600);
    ASSERT_FALSE(id.empty());
    const std::set<std::string> before = topLevelWindows();
    ASSERT_TRUE(before.count(id) == 1) << "the host window is not a child of the root";
    // A sound device is there to be had (a wave file's), but without --sound none is opened.
    const std::string wavePath = scratch + "/sound.wav";
    ASSERT_NO_FATAL_FAILURE(startIn({"--window-id", id}, waveSound(wavePath)));
    bool shown = false;
    const Image shot = waitForScene("scene", 800, 600, &shown);
    ASSERT_TRUE(shown) << "the window never showed the scene whole; " << programErrors();
    // Smoke rises with the sparks: neutral greys somewhere in the scene.
    EXPECT_GT(countIf(shot, {0, 0, 800, 600}, isSmokeGrey), 50);
    // Outside the host window nothing was drawn, and no window of the program's own appeared.
    EXPECT_EQ(countIf(shot, {800, 0, shotWidth, shotHeight}, isSparkColour), 0);
    EXPECT_EQ(topLevelWindows(), before);
    std::this_thread::sleep_for(2500ms); // a screensaver's settings call a hack gone by then broken
    ASSERT_TRUE(running()) << "the program ended by itself: " << programErrors();
    const Clock::time_point asked = Clock::now();
    const std::optional<int> code = terminate();
    ASSERT_TRUE(code.has_value()) << "still running a second after SIGTERM";
    EXPECT_EQ(*code, 0);
    EXPECT_LT(seconds(Clock::now() - asked), 1.0);
    EXPECT_EQ(programErrors(), "") << "a run in a given window is silent and says nothing";
    EXPECT_FALSE(fs::exists(wavePath)) << "a sound device was opened without --sound";
}

TEST_F(ForeignWindow, TakesTheWindowFromTheScreensaverEnvironmentAndEndsInOneLineWhenItIsDestroyed)
{
    const std::string id = startHost(640, 480);
    ASSERT_FALSE(id.empty());
    ASSERT_NO_FATAL_FAILURE(startIn({}, {"XSCREENSAVER_WINDOW=" + id}));
    bool shown = false;
    waitForScene("scene", 640, 480, &shown);
    ASSERT_TRUE(shown) << "the window never showed the scene whole; " << programErrors();
    // Killing the host's connection destroys its window under the program.
    ASSERT_EQ(tool({"xdotool", "windowkill", id}).exitCode, 0);
    const std::optional<int> code = waitForExit(program, 3s);
    ASSERT_TRUE(code.has_value()) << "still running 3 s after its window was destroyed";
    program = -1;
    EXPECT_EQ(*code, 0);
    const std::string said = programErrors();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("sparkler: the window " + id + " was destroyed"), std::string::npos) << said;
}

TEST_F(ForeignWindow, FillsAPreviewWindowFollowsItsSizeAndRestsWhileUnmapped)
{
    const std::string id = startHost(200, 150);
    ASSERT_FALSE(id.empty());
    const std::string trace = scratch + "/trace.jsonl";
    // The id in decimal, as some wrappers pass it.
    ASSERT_NO_FATAL_FAILURE(startIn({"--window-id", std::to_string(std::stoul(id, nullptr, 16)), "--trace", trace}));
    bool shown = false;
    waitForScene("preview", 200, 150, &shown);
    ASSERT_TRUE(shown) << "the preview never showed the scene whole; " << programErrors();

    // Wider than the frame: bars left and right.
    ASSERT_EQ(tool({"xdotool", "windowsize", id, "400", "150"}).exitCode, 0);
    waitForScene("wider", 400, 150, &shown);
    EXPECT_TRUE(shown) << "the scene did not follow the window to 400x150";

    // Unmapped, it makes no frames: the trace (one line a frame, written out at the end) shows
    // one step as long as the window was away, and frames again once it is back.
    ASSERT_EQ(tool({"xdotool", "windowunmap", "--sync", id}).exitCode, 0);
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(tool({"xdotool", "windowmap", "--sync", id}).exitCode, 0);
    waitForScene("mapped-again", 400, 150, &shown);
    EXPECT_TRUE(shown) << "the scene did not come back when the window was mapped again";
    ::kill(program, SIGTERM);
    ASSERT_EQ(waitForExit(program, 2s), std::optional<int>(0));
    program = -1;
    std::vector<double> steps;
    std::istringstream lines(readFile(trace));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find("\"dt\":");
        ASSERT_NE(at, std::string::npos) << line;
        steps.push_back(std::atof(line.c_str() + at + 5));
    }
    const auto longest = std::max_element(steps.begin(), steps.end());
    ASSERT_NE(longest, steps.end());
    EXPECT_GE(*longest, 1.4) << "a frame was made while the window was unmapped";
    EXPECT_EQ(std::count_if(steps.begin(), steps.end(), [](double dt) { return dt > 0.5; }), 1);
    EXPECT_GT(steps.end() - longest, 5) << "too few frames after the window came back";
}

TEST_F(LargeScreenForeignWindow, FillsAFullHdWindowWithBarsAndDrawsOnAVirtualRoot)
{
    const std::string id = startHost(1920, 1080, {"--vroot"});
    ASSERT_FALSE(id.empty());
    ASSERT_NO_FATAL_FAILURE(startIn({"--root", "--write", "Hi"}));
    bool shown = false;
    waitForScene("fullhd", 1920, 1080, &shown);
    ASSERT_TRUE(shown) << "the 1920x1080 virtual root never showed the scene whole; " << programErrors();
}

TEST_F(ForeignWindow, PlaysTheCrackleAndTheBackgroundWithSoundAndRunsOnWithoutASoundDevice)
{
    const std::string id = startHost(320, 240);
    ASSERT_FALSE(id.empty());
    const std::string wavePath = scratch + "/sound.wav";
    ASSERT_NO_FATAL_FAILURE(startIn({"--window-id", id, "--sound"}, waveSound(wavePath)));
    bool shown = false;
    waitForScene("with-sound", 320, 240, &shown);
    ASSERT_TRUE(shown) << "the window never showed the scene whole; " << programErrors();
    std::this_thread::sleep_for(1500ms);
    ASSERT_EQ(terminate(), std::optional<int>(0)) << programErrors();
    EXPECT_EQ(programErrors(), "");

    // Both of the program's sounds are in the mix, each from its start: the crackle (panned
    // where the sparkler is) and the background loop, started in the same frame.
    const WaveSummary mix = readWave(wavePath);
    ASSERT_TRUE(mix.parsed) << "no wave file of the mix";
    const fs::path sounds = fs::path(programPath).parent_path();
    const WaveSummary crackle = readWave((sounds / "Sparkler.wav").string());
    const WaveSummary background = readWave((sounds / "BackgroundSound.wav").string());
    ASSERT_TRUE(crackle.parsed && background.parsed);
    constexpr std::size_t length = 4096;
    std::size_t crackleAt = 0;
    std::size_t backgroundAt = 0;
    // The crackle loops, and a later round of it, with less of the background's start under
    // it, may match better than its first: the start is looked for before a round could end.
    const std::size_t opening = std::min(mix.mono.size(), crackle.mono.size() + length);
    const std::vector<float> start(mix.mono.begin(), mix.mono.begin() + static_cast<std::ptrdiff_t>(opening));
    const double crackleMatch = bestCorrelation(start, crackle.mono, length, &crackleAt);
    const double backgroundMatch = bestCorrelation(start, background.mono, length, &backgroundAt);
    std::printf("mix of %zu samples: crackle %.3f at %zu, background %.3f at %zu\n", mix.mono.size(), crackleMatch,
                crackleAt, backgroundMatch, backgroundAt);
    // The background starts about a sixth as loud as the crackle, so its share of the mix is
    // small; that it is found where the crackle starts (within one mixing update) shows it is
    // there, as a chance likeness would fall anywhere.
    EXPECT_GT(crackleMatch, 0.5) << "the crackle is not in the mix";
    EXPECT_GT(backgroundMatch, 0.08) << "the background is not in the mix";
    EXPECT_LE(crackleAt > backgroundAt ? crackleAt - backgroundAt : backgroundAt - crackleAt, 1024u)
        << "the background was not found where the crackle starts";

    // With no sound device to be had it says so in one line and runs on until it is ended.
    ASSERT_NO_FATAL_FAILURE(startIn({"--window-id", id, "--sound"}, waveSound("")));
    const Clock::time_point begun = Clock::now();
    waitForScene("without-device", 320, 240, &shown);
    EXPECT_TRUE(shown) << "the window never showed the scene whole; " << programErrors();
    std::this_thread::sleep_until(begun + 2500ms);
    ASSERT_TRUE(running()) << "the program ended by itself: " << programErrors();
    EXPECT_EQ(terminate(), std::optional<int>(0));
    EXPECT_EQ(programErrors(), "sparkler: no sound device could be opened; running without sound\n");
}

TEST_F(WallpaperWindow, DrawsOnTheDesktopWindowAroundAWindowAboveItThatStaysAbove)
{
    if (findOnPath("xwininfo").empty())
        GTEST_SKIP() << "xwininfo is not installed";
    const std::string desktop = startHost(screenWidth, screenHeight, {"--desktop"});
    ASSERT_FALSE(desktop.empty());
    // The manager maps it (below everything) before the program is started in it. Openbox
    // sometimes passes over a map asked for while it is still starting, so it is asked again.
    Clock::time_point asked = Clock::now();
    ASSERT_TRUE(pollUntil(10s, [&] {
        if (tool({"xwininfo", "-id", desktop}).output.find("IsViewable") != std::string::npos)
            return true;
        if (Clock::now() - asked > 1s) {
            tool({"xdotool", "windowmap", desktop});
            asked = Clock::now();
        }
        return false;
    })) << "the manager did not map the desktop window: " << tool({"xwininfo", "-id", desktop}).output;
    const std::set<std::string> before = topLevelWindows();
    ASSERT_NO_FATAL_FAILURE(startIn({"--window-id", desktop}));
    bool shown = false;
    waitForScene("desktop", screenWidth, screenHeight, &shown);
    ASSERT_TRUE(shown) << "the desktop window never showed the scene whole; " << programErrors();
    EXPECT_EQ(topLevelWindows(), before) << "the program made a window of its own";

    // Then a window opens over the wallpaper; the manager frames it (its title bar pushes it down).
    const std::string above = startHost(320, 240);
    ASSERT_FALSE(above.empty());
    Region window{};
    ASSERT_TRUE(pollUntil(10s, [&] {
        window = placeOf(above);
        return window.top > 0 && window.right > window.left;
    })) << "the manager did not frame the window above the desktop";

    // The window, and around it its frame, which are no part of the desktop.
    auto framed = [&](int x, int y) {
        return x >= window.left - 12 && x < window.right + 12 && y >= window.top - 40 && y < window.bottom + 12;
    };
    auto windowAllGreen = [&](const Image& shot) {
        return countIf(shot, window, isGreen) == (window.right - window.left) * (window.bottom - window.top);
    };
    // The scene on the whole desktop around the window: sparks, and none of the host's green.
    auto sceneAround = [&](const Image& shot) {
        int sparks = 0;
        int green = 0;
        for (int y = 0; y < screenHeight; ++y) {
            for (int x = 0; x < screenWidth; ++x) {
                if (!framed(x, y)) {
                    sparks += isSparkColour(shot.at(x, y)) ? 1 : 0;
                    green += isGreen(shot.at(x, y)) ? 1 : 0;
                }
            }
        }
        return sparks > 20 && green == 0;
    };
    const Image first = screenshotWhen("wallpaper", 10s, windowAllGreen, &shown);
    ASSERT_TRUE(shown) << "the window above the desktop was never shown whole";
    EXPECT_TRUE(sceneAround(first));

    // A click on the wallpaper leaves the window above it, and the scene goes on around it (a
    // partly covered desktop is not a hidden one).
    ASSERT_EQ(tool({"xdotool", "mousemove", "1000", "740", "click", "1"}).exitCode, 0);
    std::this_thread::sleep_for(1s);
    const Image later = screenshot("wallpaper-later");
    ASSERT_TRUE(later.valid());
    EXPECT_TRUE(windowAllGreen(later)) << "the window did not stay above the desktop";
    EXPECT_TRUE(sceneAround(later));
    int changed = 0;
    for (int y = 0; y < screenHeight; ++y) {
        for (int x = 0; x < screenWidth; ++x) {
            const Rgb a = first.at(x, y);
            const Rgb b = later.at(x, y);
            changed += !framed(x, y) && (a.r != b.r || a.g != b.g || a.b != b.b) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 100) << "the scene stood still around the window above it";
    EXPECT_EQ(terminate(), std::optional<int>(0));
}

} // namespace
