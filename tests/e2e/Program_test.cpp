// End-to-end tests of the real program: it runs under a private virtual X server (Xvfb, its
// display number chosen by the server itself), is driven with xdotool (keys and relative mouse
// motion) and watched through screenshots of the root window (ImageMagick's import), which
// are read back with stb_image and judged by counting pixels of known colours in regions.
// Screenshots are kept in SPARKLER_E2E_OUTPUT for a look after a run. A test skips itself when
// one of those tools is missing. Every wait is bounded; every child is killed at teardown.
#include <gtest/gtest.h>

#include <stb/stb_image.h>

#ifdef SPARKLER_E2E_HAVE_X11
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* programPath = SPARKLER_PROGRAM;
constexpr const char* probePath = SPARKLER_PACING_PROBE;
constexpr const char* outputDir = SPARKLER_E2E_OUTPUT;
constexpr const char* windowTitle = "Quillaby: Sparkler - Dovrenko";

constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;
constexpr int centreX = 512;
constexpr int centreY = 384;
constexpr int panelWidth = 158;
constexpr int panelHeight = 200;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// ---------------------------------------------------------------------------------------------
// Processes

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty())
            continue;
        const std::string candidate = dir + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

// The test's own environment without anything that would pick a display, a video or sound
// driver or a sound configuration for the child; the caller adds what the child should see.
std::vector<std::string> cleanEnvironment()
{
    static const char* const dropped[] = {"DISPLAY=", "WAYLAND_DISPLAY=", "XDG_RUNTIME_DIR=", "SDL_VIDEODRIVER=",
                                          "SDL_VIDEO_DRIVER=", "SDL_RENDER_DRIVER=", "SDL_AUDIODRIVER=",
                                          "ALSOFT_DRIVERS=", "ALSOFT_CONF=", "XAUTHORITY="};
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const bool drop = std::any_of(std::begin(dropped), std::end(dropped),
                                      [&](const char* prefix) { return text.rfind(prefix, 0) == 0; });
        if (!drop)
            env.push_back(text);
    }
    return env;
}

struct SpawnOptions {
    std::vector<std::string> argv;
    std::vector<std::string> env;
    std::string stdoutPath = "/dev/null";
    std::string stderrPath = "/dev/null";
    int fdAs3 = -1; // an open descriptor handed to the child as its descriptor 3
};

// Starts a child; its pid, or -1 with error set.
pid_t spawn(const SpawnOptions& options, std::string& error)
{
    std::vector<char*> argv;
    for (const std::string& arg : options.argv)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : options.env)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, options.stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, options.stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (options.fdAs3 >= 0)
        posix_spawn_file_actions_adddup2(&actions, options.fdAs3, 3);
    // Its own process group, so that killing it reaches whatever it starts.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    pid_t pid = -1;
    const int result = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        error = "cannot start " + options.argv[0] + ": " + std::strerror(result);
        return -1;
    }
    return pid;
}

// Exit code (or 128 + signal) of a child once it has ended, or nothing when it is still
// running after timeout; the child is reaped when it has ended.
std::optional<int> waitForExit(pid_t pid, Clock::duration timeout, Clock::duration step = 5ms)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status))
                return WEXITSTATUS(status);
            if (WIFSIGNALED(status))
                return 128 + WTERMSIG(status);
        } else if (done < 0 && errno != EINTR) {
            return -1;
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(step);
    }
}

// Ends a child (and its process group) for good: TERM, then KILL after a grace period.
void stopProcess(pid_t& pid)
{
    if (pid <= 0)
        return;
    ::kill(-pid, SIGTERM);
    ::kill(pid, SIGTERM);
    if (!waitForExit(pid, 3s)) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        waitForExit(pid, 5s);
    }
    pid = -1;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ToolResult {
    int exitCode = -1; // -1 when it could not be started or did not end in time
    std::string output;
};

// Runs a short-lived tool to its end (bounded) and returns its exit code and standard output.
ToolResult runTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   const std::string& scratchDir, Clock::duration timeout = 15s)
{
    ToolResult result;
    const std::string outPath = scratchDir + "/tool.out";
    SpawnOptions options;
    options.argv = argv;
    options.env = env;
    options.stdoutPath = outPath;
    options.stderrPath = scratchDir + "/tool.err";
    std::string error;
    pid_t pid = spawn(options, error);
    if (pid < 0) {
        result.output = error;
        return result;
    }
    const std::optional<int> code = waitForExit(pid, timeout, 2ms);
    if (!code) {
        stopProcess(pid);
        result.output = "timed out";
        return result;
    }
    result.exitCode = *code;
    result.output = readFile(outPath);
    return result;
}

// Polls check every interval until it holds or timeout has passed; whether it held.
bool pollUntil(Clock::duration timeout, const std::function<bool()>& check, Clock::duration interval = 100ms)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (check())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
}

// ---------------------------------------------------------------------------------------------
// Pictures

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

struct Region {
    int left = 0;
    int top = 0;
    int right = 0; // exclusive
    int bottom = 0; // exclusive
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    bool valid() const { return width > 0 && height > 0; }
    Rgb at(int x, int y) const
    {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
        return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

Image loadPng(const std::string& path)
{
    Image image;
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 3);
    if (data == nullptr) {
        image.width = image.height = 0;
        return image;
    }
    image.rgb.assign(data, data + static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    stbi_image_free(data);
    return image;
}

int countIf(const Image& image, Region region, const std::function<bool(Rgb)>& test)
{
    int count = 0;
    for (int y = std::max(0, region.top); y < std::min(image.height, region.bottom); ++y)
        for (int x = std::max(0, region.left); x < std::min(image.width, region.right); ++x)
            if (test(image.at(x, y)))
                ++count;
    return count;
}

struct Mean {
    double r = 0;
    double g = 0;
    double b = 0;
};

Mean meanOf(const Image& image, Region region)
{
    Mean mean;
    double n = 0;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x) {
            const Rgb p = image.at(x, y);
            mean.r += p.r;
            mean.g += p.g;
            mean.b += p.b;
            n += 1;
        }
    if (n > 0) {
        mean.r /= n;
        mean.g /= n;
        mean.b /= n;
    }
    return mean;
}

// Colour classes of what the program draws: the five coloured spark rows (white sparks and
// smoke are grey), grey, black, and anything else.
enum class Hue { Black, Grey, Orange, Violet, BlueViolet, Yellow, Green, Other };

Hue classify(Rgb p)
{
    const int high = std::max({p.r, p.g, p.b});
    const int low = std::min({p.r, p.g, p.b});
    if (high < 40)
        return Hue::Black;
    if (high - low < 24)
        return Hue::Grey;
    if (p.r >= 150 && p.g >= 150 && std::abs(p.r - p.g) < 25 && p.r - p.b >= 90)
        return Hue::Yellow;
    if (p.r >= 140 && p.r - p.g >= 30 && p.g - p.b >= 25 && p.r - p.b >= 90)
        return Hue::Orange;
    if (p.r - p.g >= 40 && p.b - p.g >= 40)
        return Hue::Violet;
    if (p.b - p.r >= 20 && p.b - p.g >= 20 && std::abs(p.r - p.g) < 30)
        return Hue::BlueViolet;
    if (p.g - p.r >= 40 && p.g - p.b >= 80)
        return Hue::Green;
    return Hue::Other;
}

bool isSparkColour(Rgb p)
{
    const Hue hue = classify(p);
    return hue == Hue::Orange || hue == Hue::Violet || hue == Hue::BlueViolet || hue == Hue::Yellow
           || hue == Hue::Green;
}

bool isLit(Rgb p)
{
    return std::max({p.r, p.g, p.b}) >= 40;
}

bool isPanelLine(Rgb p) // the help panel's light frame line (229 drawn as about 230)
{
    return std::min({p.r, p.g, p.b}) >= 200 && std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) <= 12;
}

bool isWhite(Rgb p)
{
    return std::min({p.r, p.g, p.b}) >= 240;
}

bool isCountGrey(Rgb p) // light grey 200 of the count lines, as the 16-bit display shows it
{
    const int high = std::max({p.r, p.g, p.b});
    const int low = std::min({p.r, p.g, p.b});
    return low >= 185 && high <= 218 && high - low <= 12;
}

bool isSmokeGrey(Rgb p) // puff greys 72..162 (neutral: equal channels)
{
    const int high = std::max({p.r, p.g, p.b});
    const int low = std::min({p.r, p.g, p.b});
    return high >= 64 && high <= 175 && high - low <= 10;
}

// The panel's place, excluded when particles are counted over the whole screen.
bool inPanel(int x, int y)
{
    return x < panelWidth + 2 && y < panelHeight + 2;
}

struct Centroid {
    double x = 0;
    double y = 0;
    int count = 0;
};

Centroid sparkCentroid(const Image& image)
{
    Centroid c;
    double sx = 0;
    double sy = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (!inPanel(x, y) && isSparkColour(image.at(x, y))) {
                sx += x;
                sy += y;
                ++c.count;
            }
    if (c.count > 0) {
        c.x = sx / c.count;
        c.y = sy / c.count;
    }
    return c;
}

std::map<Hue, int> hueCounts(const Image& image, Region region)
{
    std::map<Hue, int> counts;
    for (int y = region.top; y < region.bottom; ++y)
        for (int x = region.left; x < region.right; ++x)
            if (!inPanel(x, y))
                ++counts[classify(image.at(x, y))];
    return counts;
}

const char* hueName(Hue hue)
{
    switch (hue) {
    case Hue::Black: return "black";
    case Hue::Grey: return "grey";
    case Hue::Orange: return "orange";
    case Hue::Violet: return "violet";
    case Hue::BlueViolet: return "blue-violet";
    case Hue::Yellow: return "yellow";
    case Hue::Green: return "green";
    case Hue::Other: return "other";
    }
    return "?";
}

std::string describe(const std::map<Hue, int>& counts)
{
    std::string text;
    for (const auto& [hue, count] : counts)
        text += std::string(hueName(hue)) + "=" + std::to_string(count) + " ";
    return text;
}

// ---------------------------------------------------------------------------------------------
// Regions of the 1024 x 768 screen

constexpr Region upperRight{760, 0, 1024, 170};     // sky, far from the particles
constexpr Region lowerRightQuadrant{512, 384, 1024, 768};
constexpr Region belowEmitter{352, 440, 672, 720};  // where the sparks fall
constexpr Region aboveEmitter{352, 48, 672, 328};   // the same size, above
constexpr Region smokeColumn{472, 290, 552, 378};   // where the smoke rises
constexpr Region risingSparks{362, 150, 662, 330};  // well above the emitter
constexpr Region particleField{262, 0, 762, 768};   // everything the sparkler reaches at the centre

std::string testName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "e2e";
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

std::string makeScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "sparkler-e2e-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        return {};
    return buffer.data();
}

// ---------------------------------------------------------------------------------------------
// The fixture: a private X server and the program on it.

class SparklerE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"Xvfb", "xdotool", "import"}) {
            if (findOnPath(tool).empty())
                GTEST_SKIP() << tool << " is not installed; the end-to-end tests need Xvfb, xdotool and ImageMagick";
        }
        scratch = makeScratchDir();
        ASSERT_FALSE(scratch.empty()) << "cannot make a scratch directory";
        fs::create_directories(outputDir);
        ASSERT_NO_FATAL_FAILURE(startXServer());
    }

    void TearDown() override
    {
        stopProcess(program);
        stopProcess(xServer);
        if (!scratch.empty()) {
            std::error_code ignored;
            fs::remove_all(scratch, ignored);
        }
    }

    void startXServer()
    {
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        // The write end goes to the server as its descriptor 3, where it writes the display
        // number it has chosen.
        const int writeEnd = ::fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
        ::close(fds[1]);
        SpawnOptions options;
        options.argv = {findOnPath("Xvfb"), "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"};
        options.env = cleanEnvironment();
        options.stderrPath = scratch + "/xvfb.log";
        options.fdAs3 = writeEnd;
        std::string error;
        xServer = spawn(options, error);
        ::close(writeEnd);
        if (xServer < 0) {
            ::close(fds[0]);
            FAIL() << error;
        }
        std::string number;
        const Clock::time_point deadline = Clock::now() + 20s;
        bool done = false;
        while (!done && Clock::now() < deadline) {
            pollfd waiting{fds[0], POLLIN, 0};
            const int ready = ::poll(&waiting, 1, 100);
            if (ready <= 0)
                continue;
            char c = 0;
            const ssize_t got = ::read(fds[0], &c, 1);
            if (got <= 0)
                break; // the server went away
            if (c == '\n')
                done = true;
            else
                number += c;
        }
        ::close(fds[0]);
        ASSERT_TRUE(done && !number.empty()) << "Xvfb did not report a display within 20 s: "
                                             << readFile(scratch + "/xvfb.log");
        display = ":" + number;
    }

    std::vector<std::string> childEnvironment(const std::vector<std::string>& extra = {}) const
    {
        std::vector<std::string> env = cleanEnvironment();
        env.push_back("DISPLAY=" + display);
        env.push_back("XDG_RUNTIME_DIR=" + scratch);
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }

    ToolResult tool(std::vector<std::string> argv, Clock::duration timeout = 15s)
    {
        argv[0] = findOnPath(argv[0]);
        return runTool(argv, childEnvironment(), scratch, timeout);
    }

    // Starts the program (with the null sound backend unless told otherwise), waits until its
    // window is on screen, has the keyboard focus and shows a frame.
    void startProgram(const std::vector<std::string>& extraEnv = {"ALSOFT_DRIVERS=null"})
    {
        SpawnOptions options;
        options.argv = {programPath};
        options.env = childEnvironment(extraEnv);
        options.stderrPath = scratch + "/program.err";
        options.stdoutPath = scratch + "/program.out";
        std::string error;
        program = spawn(options, error);
        ASSERT_GT(program, 0) << error;
        started = Clock::now();

        bool ended = false;
        const bool mapped = pollUntil(20s, [&] {
            int status = 0;
            if (::waitpid(program, &status, WNOHANG) == program) {
                ended = true;
                program = -1;
                return true;
            }
            const ToolResult found = tool({"xdotool", "search", "--onlyvisible", "--name", windowTitle});
            if (found.exitCode != 0)
                return false;
            windowId = found.output.substr(0, found.output.find('\n'));
            return !windowId.empty();
        });
        ASSERT_FALSE(ended) << "the program ended at start: " << programErrors();
        ASSERT_TRUE(mapped) << "no visible window named \"" << windowTitle << "\" within 20 s";

        // Without a window manager nobody hands out the focus: take it, and check.
        const bool focused = pollUntil(5s, [&] {
            const ToolResult now = tool({"xdotool", "getwindowfocus"});
            if (now.exitCode == 0 && now.output.substr(0, now.output.find('\n')) == windowId)
                return true;
            tool({"xdotool", "windowfocus", windowId});
            return false;
        });
        ASSERT_TRUE(focused) << "the window did not get the keyboard focus";

        Image first;
        const bool drawn = pollUntil(15s, [&] {
            first = screenshot("first");
            return first.valid() && countIf(first, {0, 0, screenWidth, screenHeight}, isLit) > 1000;
        });
        ASSERT_TRUE(drawn) << "the screen stayed black for 15 s after the window appeared";
    }

    std::string programErrors() const { return readFile(scratch + "/program.err"); }

    // A screenshot of the whole screen, kept as <output>/<test>-<label>.png.
    Image screenshot(const std::string& label)
    {
        const std::string path = std::string(outputDir) + "/" + testName() + "-" + label + ".png";
        // Quality 10: fastest compression; the default costs more than a second a shot.
        const ToolResult shot = tool({"import", "-window", "root", "-quality", "10", path});
        if (shot.exitCode != 0)
            return {};
        Image image = loadPng(path);
        if (image.valid() && (image.width != screenWidth || image.height != screenHeight))
            ADD_FAILURE() << "the screenshot is " << image.width << "x" << image.height;
        return image;
    }

    // Polls screenshots until check holds on one (bounded); the last screenshot taken.
    Image screenshotWhen(const std::string& label, Clock::duration timeout, const std::function<bool(const Image&)>& check,
                         bool* held = nullptr)
    {
        Image image;
        const bool ok = pollUntil(timeout, [&] {
            image = screenshot(label);
            return image.valid() && check(image);
        }, 50ms);
        if (held != nullptr)
            *held = ok;
        return image;
    }

    void key(const std::string& name)
    {
        const ToolResult sent = tool({"xdotool", "key", name});
        ASSERT_EQ(sent.exitCode, 0) << "xdotool key " << name << ": " << sent.output;
    }

    bool running()
    {
        if (program <= 0)
            return false;
        int status = 0;
        return ::waitpid(program, &status, WNOHANG) == 0;
    }

    std::string scratch;
    std::string display;
    std::string windowId;
    pid_t xServer = -1;
    pid_t program = -1;
    Clock::time_point started;
};

bool backgroundShown(const Image& image)
{
    const Mean sky = meanOf(image, upperRight);
    return sky.b > 45 && sky.b > sky.r + 25 && sky.b > sky.g + 15;
}

bool backgroundBlack(const Image& image)
{
    return countIf(image, upperRight, isLit) == 0;
}

int panelLineOnLeftEdge(const Image& image)
{
    return countIf(image, {0, 0, 1, panelHeight}, isPanelLine);
}

// ---------------------------------------------------------------------------------------------
// Start-up

TEST_F(SparklerE2e, StartUpShowsBackgroundSparksSmokeAndHelpPanel)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    const Image shot = screenshot("startup");
    ASSERT_TRUE(shot.valid());
    // Sparks are orange only during the first colour period (5 s).
    ASSERT_LT(seconds(Clock::now() - started), 4.0) << "the start took too long for the colour checks";

    // The night-lake picture: a blue sky in the upper right, a dark shore in the lower right.
    const Mean sky = meanOf(shot, upperRight);
    EXPECT_TRUE(backgroundShown(shot)) << "upper right mean " << sky.r << "," << sky.g << "," << sky.b;
    const Mean shore = meanOf(shot, lowerRightQuadrant);
    EXPECT_LT(shore.r + shore.g + shore.b, 3 * 40.0) << "lower right mean " << shore.r << "," << shore.g << "," << shore.b;
    EXPECT_GE(shore.b, shore.r);

    // Orange sparks (the first colour, for 5 s) burst from the emitter at the centre and fall:
    // after a moment far more of them are below it than above.
    const auto orange = [](Rgb p) { return classify(p) == Hue::Orange; };
    EXPECT_GE(countIf(shot, {centreX - 60, centreY - 60, centreX + 60, centreY + 60}, orange), 300)
        << "orange spark pixels around the centre";
    bool fell = false;
    const Image falling = screenshotWhen("falling", 4s, [&](const Image& image) {
        return Clock::now() - started < 4500ms && countIf(image, belowEmitter, orange) >= 300;
    }, &fell);
    const int orangeBelow = countIf(falling, belowEmitter, orange);
    const int orangeAbove = countIf(falling, aboveEmitter, orange);
    EXPECT_TRUE(fell) << "orange spark pixels well below the centre: " << orangeBelow;
    EXPECT_GT(orangeBelow, 3 * orangeAbove) << "sparks should fall: above " << orangeAbove;

    // The help panel: its light frame down the left edge and along the top, and not wider than 158.
    EXPECT_GE(panelLineOnLeftEdge(shot), 190) << "left frame line, column 0";
    EXPECT_GE(countIf(shot, {0, 0, panelWidth, 1}, isPanelLine), 150) << "top frame line, row 0";
    // (two long command lines run over the right frame line, their black boxes see-through)
    EXPECT_GE(countIf(shot, {panelWidth - 1, 2, panelWidth, panelHeight - 2}, isPanelLine), 150) << "right frame line";
    EXPECT_LE(countIf(shot, {panelWidth, 2, panelWidth + 1, panelHeight - 2}, isPanelLine), 5) << "column 158 is no longer the panel";
    // White command lines, light-grey count lines.
    EXPECT_GE(countIf(shot, {3, 8, panelWidth - 3, 145}, isWhite), 400) << "white text of the command lines";
    const int countGrey = countIf(shot, {3, 148, panelWidth - 3, 180}, isCountGrey);
    const int countWhite = countIf(shot, {3, 148, panelWidth - 3, 180}, isWhite);
    EXPECT_GE(countGrey, 80) << "light-grey count lines";
    EXPECT_LT(countWhite, countGrey / 5) << "the count lines are light grey, not white";
    // The panel is transparent where it is black: the sky shows through inside the frame.
    const Mean inside = meanOf(shot, {100, 2, 150, 8});
    EXPECT_GT(inside.b, inside.r + 20) << "inside the panel the background should show through";

    // Grey smoke rising above the emitter; the puffs are slow, so give them a moment.
    bool held = false;
    const Image later = screenshotWhen("smoke", 6s, [](const Image& image) {
        return countIf(image, smokeColumn, isSmokeGrey) >= 150;
    }, &held);
    EXPECT_TRUE(held) << "smoke pixels above the centre: " << countIf(later, smokeColumn, isSmokeGrey);
    EXPECT_LT(countIf(later, {centreX - 40, 0, centreX + 40, 240}, isSmokeGrey), countIf(later, smokeColumn, isSmokeGrey))
        << "the smoke starts at the emitter and rises from there";
}

// ---------------------------------------------------------------------------------------------
// Keys

TEST_F(SparklerE2e, KeyHSlidesTheHelpPanelOutAndBackIn)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_GE(panelLineOnLeftEdge(screenshot("before")), 190);

    key("h");
    bool held = false;
    const Image gone = screenshotWhen("hidden", 3s, [](const Image& image) {
        return panelLineOnLeftEdge(image) == 0 && countIf(image, {0, 0, panelWidth, 1}, isPanelLine) == 0;
    }, &held);
    EXPECT_TRUE(held) << "the panel's frame is still in the top-left corner 3 s after H";
    EXPECT_LT(countIf(gone, {3, 8, panelWidth - 3, 145}, isWhite), 40) << "the help text is still there";

    key("h");
    screenshotWhen("back", 3s, [](const Image& image) { return panelLineOnLeftEdge(image) >= 190; }, &held);
    EXPECT_TRUE(held) << "the panel did not come back 3 s after the second H";
}

TEST_F(SparklerE2e, KeysBAndCSwitchBackgroundAndTrails)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    ASSERT_TRUE(backgroundShown(screenshot("before")));

    bool held = false;
    key("b");
    screenshotWhen("b-off", 3s, backgroundBlack, &held);
    EXPECT_TRUE(held) << "B: the upper right corner is not black";
    key("b");
    screenshotWhen("b-on", 3s, backgroundShown, &held);
    EXPECT_TRUE(held) << "B again: the background did not come back";

    // A normal frame over black, then the same with clearing off: sparks leave trails.
    key("b");
    const Image cleared = screenshotWhen("cleared", 3s, backgroundBlack, &held);
    ASSERT_TRUE(held);
    const int litCleared = countIf(cleared, particleField, isLit);
    key("c");
    const Clock::time_point trailsFrom = Clock::now();
    const Image trails = screenshotWhen("trails", 4s, [&](const Image& image) {
        return Clock::now() - trailsFrom >= 1s && countIf(image, particleField, isLit) > 3 * litCleared;
    }, &held);
    const int litTrails = countIf(trails, particleField, isLit);
    EXPECT_TRUE(held) << "C: lit pixels " << litTrails << " with trails vs " << litCleared << " in a cleared frame";
    EXPECT_TRUE(backgroundBlack(trails)) << "C from background off keeps the background off";
    std::printf("lit pixels: %d cleared, %d with trails\n", litCleared, litTrails);

    // C again: clearing and background back on together; without the background (B) the
    // frame is as sparse as before the trails.
    key("c");
    screenshotWhen("c-back", 3s, backgroundShown, &held);
    EXPECT_TRUE(held) << "the second C did not bring the background back";
    key("b");
    const Image clearedAgain = screenshotWhen("cleared-again", 3s, [&](const Image& image) {
        return backgroundBlack(image) && countIf(image, particleField, isLit) < 2 * litCleared;
    }, &held);
    EXPECT_TRUE(held) << "after the second C frames are not cleared: lit pixels "
                      << countIf(clearedAgain, particleField, isLit) << " vs " << litCleared;
}

TEST_F(SparklerE2e, Key8GivesEachSparkItsOwnColour)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("b"); // over black, only the particles have colour
    key("2"); // one colour (orange), no cycling
    const Clock::time_point from = Clock::now();
    bool held = false;
    const Image single = screenshotWhen("single", 4s, [&](const Image& image) {
        const auto counts = hueCounts(image, particleField);
        return Clock::now() - from >= 1500ms && backgroundBlack(image) && counts.count(Hue::Orange) > 0
               && counts.at(Hue::Orange) >= 300;
    }, &held);
    ASSERT_TRUE(held) << "no orange sparks over black after B and 2: " << describe(hueCounts(single, particleField));
    auto counts = hueCounts(single, particleField);
    const int orangeSingle = counts[Hue::Orange];
    EXPECT_LT(counts[Hue::Violet] + counts[Hue::BlueViolet] + counts[Hue::Yellow] + counts[Hue::Green], orangeSingle / 10)
        << describe(counts);

    key("8");
    const Clock::time_point mixedFrom = Clock::now();
    const auto coloursShown = [](const std::map<Hue, int>& c) {
        int shown = 0;
        for (Hue hue : {Hue::Orange, Hue::Violet, Hue::BlueViolet, Hue::Yellow, Hue::Green})
            if (c.count(hue) > 0 && c.at(hue) >= 40)
                ++shown;
        return shown;
    };
    const Image mixed = screenshotWhen("mixed", 5s, [&](const Image& image) {
        return Clock::now() - mixedFrom >= 1500ms && coloursShown(hueCounts(image, particleField)) == 5;
    }, &held);
    counts = hueCounts(mixed, particleField);
    EXPECT_TRUE(held) << "after 8 not every spark colour shows at once: " << describe(counts);
    std::printf("colours with 2: %s\ncolours with 8: %s\n", describe(hueCounts(single, particleField)).c_str(),
                describe(counts).c_str());
    EXPECT_LT(counts[Hue::Orange], 2 * (counts[Hue::Violet] + counts[Hue::Green] + counts[Hue::Yellow])) << describe(counts);
}

TEST_F(SparklerE2e, PageDownTenTimesMakesSparksRise)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("b"); // the background picture has a coloured firework in this part of the sky
    bool held = false;
    const Image before = screenshotWhen("before", 4s, [](const Image& image) {
        return backgroundBlack(image) && countIf(image, belowEmitter, isSparkColour) >= 300;
    }, &held);
    ASSERT_TRUE(held) << "no falling sparks over black";
    const int risingBefore = countIf(before, risingSparks, isSparkColour);
    const int fallingBefore = countIf(before, belowEmitter, isSparkColour);
    EXPECT_GT(fallingBefore, 4 * std::max(risingBefore, 1)) << "with normal gravity sparks fall";

    for (int i = 0; i < 12; ++i)
        ASSERT_NO_FATAL_FAILURE(key("Next"));
    const Clock::time_point from = Clock::now();
    const Image after = screenshotWhen("after", 5s, [&](const Image& image) {
        return Clock::now() - from >= 1500ms && countIf(image, risingSparks, isSparkColour) >= 400;
    }, &held);
    const int risingAfter = countIf(after, risingSparks, isSparkColour);
    EXPECT_TRUE(held) << "spark pixels well above the emitter: " << risingAfter << " (before: " << risingBefore << ")";
    EXPECT_GT(risingAfter, 5 * std::max(risingBefore, 20));
    std::printf("spark pixels well above the emitter: %d before, %d after Page Down\n", risingBefore, risingAfter);
}

// ---------------------------------------------------------------------------------------------
// Mouse

TEST_F(SparklerE2e, RelativeMouseMotionCarriesTheSparkler)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("b");
    bool held = false;
    const Image before = screenshotWhen("before", 4s, [](const Image& image) {
        return backgroundBlack(image) && countIf(image, belowEmitter, isSparkColour) >= 300;
    }, &held);
    ASSERT_TRUE(held) << "no falling sparks over black";
    const Centroid from = sparkCentroid(before);
    ASSERT_GE(from.count, 300);
    EXPECT_NEAR(from.x, centreX, 60);
    EXPECT_GT(from.y, centreY) << "the sparks hang below the emitter";

    const ToolResult moved = tool({"xdotool", "mousemove_relative", "--", "250", "-150"});
    ASSERT_EQ(moved.exitCode, 0) << moved.output;
    const Clock::time_point movedAt = Clock::now();
    Centroid to;
    screenshotWhen("after", 5s, [&](const Image& image) {
        to = sparkCentroid(image);
        return Clock::now() - movedAt >= 1200ms && to.count >= 300 && std::abs(to.x - from.x - 250) < 60
               && std::abs(to.y - from.y + 150) < 70;
    }, &held);
    EXPECT_TRUE(held) << "spark centroid moved from (" << from.x << ", " << from.y << ") to (" << to.x << ", " << to.y
                      << ") over " << to.count << " pixels; expected about (+250, -150)";
    std::printf("spark centroid moved by (%+.0f, %+.0f)\n", to.x - from.x, to.y - from.y);
}

// ---------------------------------------------------------------------------------------------
// Quitting

TEST_F(SparklerE2e, EscapeQuitsWithExitCodeZeroWithinASecond)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    const Clock::time_point pressed = Clock::now();
    key("Escape");
    const std::optional<int> code = waitForExit(program, 5s, 1ms);
    const double took = seconds(Clock::now() - pressed);
    ASSERT_TRUE(code.has_value()) << "still running 5 s after Escape";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
    EXPECT_LT(took, 1.0) << "Escape to exit took " << took << " s";
    RecordProperty("escape_to_exit_ms", static_cast<int>(took * 1000));
    std::printf("Escape to exit: %.0f ms\n", took * 1000);
}

TEST_F(SparklerE2e, F12QuitsWithExitCodeZero)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    key("F12");
    const std::optional<int> code = waitForExit(program, 5s);
    ASSERT_TRUE(code.has_value()) << "still running 5 s after F12";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
}

// ---------------------------------------------------------------------------------------------
// Sound

struct WaveSummary {
    bool parsed = false;
    int format = 0; // 1 integer PCM, 3 float
    int channels = 0;
    int bits = 0;
    std::size_t dataBytes = 0;
    double peak = 0; // largest sample magnitude, 1.0 = full scale
};

WaveSummary readWave(const std::string& path)
{
    WaveSummary wave;
    const std::string bytes = readFile(path);
    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8); };
    auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return wave;
    std::size_t at = 12;
    std::size_t dataAt = 0;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        const std::size_t size = u32(at + 4);
        if (id == "fmt " && at + 8 + 16 <= bytes.size()) {
            wave.format = static_cast<int>(u16(at + 8));
            wave.channels = static_cast<int>(u16(at + 10));
            wave.bits = static_cast<int>(u16(at + 22));
            if (wave.format == 0xFFFE && at + 8 + 26 <= bytes.size())
                wave.format = static_cast<int>(u16(at + 8 + 24)); // the sub-format's first field
        } else if (id == "data") {
            dataAt = at + 8;
            // A writer killed before it could patch the size leaves the rest of the file as data.
            wave.dataBytes = std::min(bytes.size() - dataAt, size == 0 ? bytes.size() : size);
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (dataAt == 0 || wave.format == 0)
        return wave;
    wave.parsed = true;
    for (std::size_t i = dataAt; i + 4 <= dataAt + wave.dataBytes; i += 4) {
        double value = 0;
        if (wave.format == 3 && wave.bits == 32) {
            const std::uint32_t raw = u32(i);
            float f = 0;
            std::memcpy(&f, &raw, sizeof f);
            value = std::fabs(static_cast<double>(f));
        } else if (wave.format == 1 && wave.bits == 16) {
            value = std::fabs(static_cast<std::int16_t>(u16(i)) / 32768.0);
        } else if (wave.format == 1 && wave.bits == 8) {
            value = std::fabs((static_cast<unsigned char>(bytes[i]) - 128) / 128.0);
        }
        if (std::isfinite(value))
            wave.peak = std::max(wave.peak, value);
    }
    return wave;
}

TEST_F(SparklerE2e, WaveSoundBackendRecordsTheCrackle)
{
    const std::string wavePath = scratch + "/sound.wav";
    const std::string confPath = scratch + "/alsoft.conf";
    std::ofstream(confPath) << "[wave]\nfile=" << wavePath << "\n";
    ASSERT_NO_FATAL_FAILURE(startProgram({"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + confPath}));
    std::this_thread::sleep_for(1500ms);
    ASSERT_TRUE(running());
    key("Escape");
    const std::optional<int> code = waitForExit(program, 5s);
    ASSERT_TRUE(code.has_value()) << "still running 5 s after Escape";
    program = -1;
    EXPECT_EQ(*code, 0) << programErrors();
    EXPECT_EQ(programErrors().find("without sound"), std::string::npos) << programErrors();

    ASSERT_TRUE(fs::exists(wavePath)) << "no wave file written";
    const WaveSummary wave = readWave(wavePath);
    ASSERT_TRUE(wave.parsed) << "not a wave file of " << fs::file_size(wavePath) << " bytes";
    EXPECT_GT(wave.dataBytes, 44100u) << "format " << wave.format << ", " << wave.channels << " channels, " << wave.bits << " bits";
    EXPECT_GT(wave.peak, 0.01) << "the recorded sound is silent";
    RecordProperty("wave_peak_permille", static_cast<int>(wave.peak * 1000));
    std::printf("wave: format %d, %d channels, %d bits, %zu data bytes, peak %.3f\n", wave.format, wave.channels,
                wave.bits, wave.dataBytes, wave.peak);
}

// ---------------------------------------------------------------------------------------------
// Frame rate

// The display backend's pacing, measured with a small program on it (PacingProbe.cpp).
TEST_F(SparklerE2e, DisplayBackendPacesSixtyFramesASecond)
{
    std::vector<double> rates;
    int inRange = 0;
    for (int attempt = 0; attempt < 3 && inRange < 2; ++attempt) {
        SpawnOptions options;
        options.argv = {probePath, "2"};
        options.env = childEnvironment();
        options.stdoutPath = scratch + "/probe.out";
        options.stderrPath = scratch + "/probe.err";
        std::string error;
        pid_t probe = spawn(options, error);
        ASSERT_GT(probe, 0) << error;
        const std::optional<int> code = waitForExit(probe, 20s);
        if (!code)
            stopProcess(probe);
        ASSERT_TRUE(code.has_value()) << "the probe did not end within 20 s";
        ASSERT_EQ(*code, 0) << readFile(scratch + "/probe.err");
        const std::string out = readFile(scratch + "/probe.out");
        const std::size_t at = out.find("fps ");
        ASSERT_NE(at, std::string::npos) << out;
        const double fps = std::atof(out.c_str() + at + 4);
        rates.push_back(fps);
        if (fps >= 50.0 && fps <= 62.0)
            ++inRange;
    }
    std::string all;
    for (double fps : rates)
        all += std::to_string(fps) + " ";
    EXPECT_GE(inRange, 2) << "frames per second of the tries: " << all;
    RecordProperty("probe_fps", all);
    std::printf("display backend frames per second: %s\n", all.c_str());
}

#ifdef SPARKLER_E2E_HAVE_X11
// Reads row 0 of the screen straight from the X server, fast enough to see every frame.
class TopRowReader {
public:
    explicit TopRowReader(const std::string& name) : display(XOpenDisplay(name.c_str())) {}
    ~TopRowReader()
    {
        if (display != nullptr)
            XCloseDisplay(display);
    }
    TopRowReader(const TopRowReader&) = delete;
    TopRowReader& operator=(const TopRowReader&) = delete;

    bool open() const { return display != nullptr; }

    // Light frame-line pixels among the first 158 of row 0: 157 - |slide| while the panel
    // slides (the panel's own column 0 at row 0 is its dark corner), 0 once it is out.
    int panelLinePixels()
    {
        XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, panelWidth, 1, AllPlanes, ZPixmap);
        if (image == nullptr)
            return -1;
        int count = 0;
        for (int x = 0; x < panelWidth; ++x) {
            const unsigned long pixel = XGetPixel(image, x, 0);
            const Rgb p{static_cast<int>(channel(pixel, image->red_mask)), static_cast<int>(channel(pixel, image->green_mask)),
                        static_cast<int>(channel(pixel, image->blue_mask))};
            if (isPanelLine(p))
                ++count;
        }
        XDestroyImage(image);
        return count;
    }

private:
    static unsigned long channel(unsigned long pixel, unsigned long mask)
    {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        const unsigned long value = (pixel & mask) >> shift;
        const unsigned long top = mask >> shift;
        return value * 255 / top;
    }

    Display* display;
};

// The real program's frame rate: the help panel moves 5 pixels every frame while it slides,
// so the time it takes to cross a known distance gives frames per second.
TEST_F(SparklerE2e, ProgramRunsAtSixtyFramesASecond)
{
    ASSERT_NO_FATAL_FAILURE(startProgram());
    TopRowReader reader(display);
    ASSERT_TRUE(reader.open());
    ASSERT_EQ(reader.panelLinePixels(), 156) << "the panel should be whole at start";

    int totalSteps = 0;
    double totalSeconds = 0;
    std::vector<int> oddSteps;
    for (int phase = 0; phase < 5; ++phase) {
        const bool hiding = phase % 2 == 0;
        ASSERT_NO_FATAL_FAILURE(key("h"));
        // Samples while the panel is well inside its slide, where the count is 157 - |slide|.
        struct Sample {
            Clock::time_point at;
            int slide;
        };
        std::vector<Sample> changes;
        int last = -2;
        const Clock::time_point deadline = Clock::now() + 3s;
        for (;;) {
            const int count = reader.panelLinePixels();
            const Clock::time_point now = Clock::now();
            ASSERT_GE(count, 0);
            if (count != last && count >= 10 && count <= 145) {
                changes.push_back({now, 157 - count});
            }
            last = count;
            if ((hiding && count == 0) || (!hiding && count == 156) || now > deadline)
                break;
            std::this_thread::sleep_for(500us);
        }
        ASSERT_EQ(last, hiding ? 0 : 156) << "the panel did not finish its slide within 3 s";
        ASSERT_GE(changes.size(), 10u) << "too few frames seen during the slide";
        for (std::size_t i = 1; i < changes.size(); ++i) {
            const int moved = std::abs(changes[i].slide - changes[i - 1].slide);
            if (moved % 5 != 0)
                oddSteps.push_back(moved);
        }
        totalSteps += std::abs(changes.back().slide - changes.front().slide) / 5;
        totalSeconds += seconds(changes.back().at - changes.front().at);
    }
    EXPECT_TRUE(oddSteps.empty()) << "the panel moved by other than a multiple of 5 pixels between frames "
                                  << oddSteps.size() << " times";
    ASSERT_GT(totalSeconds, 0.0);
    const double fps = totalSteps / totalSeconds;
    RecordProperty("program_fps", std::to_string(fps));
    std::printf("program frames per second: %.2f over %d frames\n", fps, totalSteps);
    EXPECT_GE(fps, 50.0);
    EXPECT_LE(fps, 62.0);
}
#endif

// ---------------------------------------------------------------------------------------------
// Without a display

TEST(SparklerWithoutDisplay, SaysSoInOneLineAndExitsWithOne)
{
    const std::string scratch = makeScratchDir();
    ASSERT_FALSE(scratch.empty());
    struct RemoveAtEnd {
        const std::string& dir;
        ~RemoveAtEnd()
        {
            std::error_code ignored;
            fs::remove_all(dir, ignored);
        }
    } removeAtEnd{scratch};
    struct Case {
        const char* name;
        std::vector<std::string> extra;
    };
    const Case cases[] = {{"DISPLAY unset", {}}, {"DISPLAY=:99999", {"DISPLAY=:99999"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SpawnOptions options;
        options.argv = {programPath};
        options.env = cleanEnvironment();
        options.env.push_back("ALSOFT_DRIVERS=null");
        options.env.push_back("XDG_RUNTIME_DIR=" + scratch);
        options.env.insert(options.env.end(), c.extra.begin(), c.extra.end());
        options.stderrPath = scratch + "/err.txt";
        std::string error;
        pid_t pid = spawn(options, error);
        ASSERT_GT(pid, 0) << error;
        const std::optional<int> code = waitForExit(pid, 5s);
        if (!code)
            stopProcess(pid);
        const std::string err = readFile(scratch + "/err.txt");
        ASSERT_TRUE(code.has_value()) << "still running 5 s after start without a display; stderr: " << err;
        EXPECT_EQ(*code, 1);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "stderr: " << err;
        EXPECT_TRUE(!err.empty() && err.back() == '\n') << "stderr: " << err;
        EXPECT_GT(err.size(), 10u) << "stderr: " << err;
    }
}

} // namespace
