// Processes for the end-to-end tests: finding tools on the PATH, a clean environment for the
// children, spawning with redirected output, bounded waits and kills, running a short tool to
// its end, polling a condition with a deadline, and the scratch folder and name of a test.
// Every wait is bounded; nothing here knows what the program draws.
#pragma once

#include <gtest/gtest.h>

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

namespace e2e {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

inline std::string findOnPath(const std::string& name)
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
inline std::vector<std::string> cleanEnvironment()
{
    static const char* const dropped[]
        = {"DISPLAY=",           "WAYLAND_DISPLAY=", "XDG_RUNTIME_DIR=", "SDL_VIDEODRIVER=", "SDL_VIDEO_DRIVER=",
           "SDL_RENDER_DRIVER=", "SDL_AUDIODRIVER=", "ALSOFT_DRIVERS=",  "ALSOFT_CONF=",     "XAUTHORITY="};
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
inline pid_t spawn(const SpawnOptions& options, std::string& error)
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
    // Signals the test sends are taken as they would be from a terminal, even when the test
    // itself was started with them ignored (a background job of a shell).
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
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
inline std::optional<int> waitForExit(pid_t pid, Clock::duration timeout, Clock::duration step = 5ms)
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
inline void stopProcess(pid_t& pid)
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

inline std::string readFile(const std::string& path)
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
// The lines of a file; none when it cannot be read.
inline std::vector<std::string> fileLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The frame count a live record's header gives so far; -1 before there is one.
inline long long recordedFrames(const std::string& record)
{
    const std::string text = readFile(record);
    const std::size_t at = text.find("\n# frames ");
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + 10);
}

inline ToolResult runTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
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
inline bool pollUntil(Clock::duration timeout, const std::function<bool()>& check, Clock::duration interval = 100ms)
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

inline std::string testName()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "e2e";
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

inline std::string makeScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "sparkler-e2e-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr)
        return {};
    return buffer.data();
}

} // namespace e2e
