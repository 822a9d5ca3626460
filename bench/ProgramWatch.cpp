// sparkler_program_watch: starts a program on the X server named by DISPLAY and watches it
// from outside. The X server's damage reports on the program's windows give the time from
// exec to the first frame and the frames per second; /proc gives the processor time of the
// program (all its threads) and of the X server. Prints one line of figures on stdout.
// Usage: sparkler_program_watch SECONDS SERVER_PID PROGRAM [ARGS...]
// Limits: one frame is one burst of drawing; bursts closer than 4 ms are counted as one.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

double monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// User plus system time of a process and all its threads so far, in seconds; -1 when gone.
double processorSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(in, text))
        return -1.0;
    // The command name may hold spaces; the fields after it are plain numbers.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1.0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    // Fields 3 onwards: state is the first; utime and stime are fields 14 and 15.
    for (int number = 3; number <= 15 && (fields >> field); ++number) {
        if (number == 14)
            utime = std::strtoull(field.c_str(), nullptr, 10);
        if (number == 15)
            stime = std::strtoull(field.c_str(), nullptr, 10);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Watch {
    double execAt = 0.0;
    double firstFrameAt = -1.0;
    double lastDamageAt = -1.0;
    long frames = 0;        // bursts of drawing counted since the window opened
    long windowFrames = 0;  // of those, the ones inside the measuring window
    bool measuring = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: sparkler_program_watch SECONDS SERVER_PID PROGRAM [ARGS...]\n");
        return 2;
    }
    const double seconds = std::atof(argv[1]);
    const pid_t server = static_cast<pid_t>(std::atol(argv[2]));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "program-watch: cannot open the display named by DISPLAY\n");
        return 2;
    }
    int damageEvent = 0;
    int damageError = 0;
    if (!XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "program-watch: the X server has no damage extension\n");
        return 2;
    }
    // Every window the program makes is a child of the root first: watch for them.
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    Watch watch;
    watch.execAt = monotonicSeconds();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[3], argv + 3);
        std::fprintf(stderr, "program-watch: cannot run %s\n", argv[3]);
        _exit(127);
    }
    if (child < 0) {
        std::fprintf(stderr, "program-watch: cannot start a process\n");
        return 2;
    }

    constexpr double warmUp = 1.0;      // seconds after the first frame before measuring
    constexpr double burstGap = 0.004;  // damage closer than this belongs to the same frame
    double measureStart = -1.0;
    double programAtStart = 0.0;
    double serverAtStart = 0.0;
    double programUsed = -1.0;
    double serverUsed = -1.0;
    double measuredFor = 0.0;
    bool ended = false;
    const int connection = ConnectionNumber(display);
    for (;;) {
        const double now = monotonicSeconds();
        if (watch.firstFrameAt >= 0.0 && measureStart < 0.0 && now >= watch.firstFrameAt + warmUp) {
            measureStart = now;
            programAtStart = processorSeconds(child);
            serverAtStart = processorSeconds(server);
            watch.measuring = true;
        }
        if (measureStart >= 0.0 && now >= measureStart + seconds) {
            measuredFor = now - measureStart;
            programUsed = processorSeconds(child) - programAtStart;
            serverUsed = processorSeconds(server) - serverAtStart;
            break;
        }
        if (now > watch.execAt + seconds + 30.0)
            break; // no first frame in a long time: give up
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            ended = true;
            break;
        }
        if (XPending(display) == 0) {
            pollfd waiting{connection, POLLIN, 0};
            poll(&waiting, 1, 5);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        const double at = monotonicSeconds();
        if (event.type == CreateNotify) {
            XDamageCreate(display, event.xcreatewindow.window, XDamageReportRawRectangles);
        } else if (event.type == damageEvent + XDamageNotify) {
            if (watch.lastDamageAt < 0.0 || at - watch.lastDamageAt > burstGap) {
                ++watch.frames;
                if (watch.measuring)
                    ++watch.windowFrames;
            }
            if (watch.firstFrameAt < 0.0)
                watch.firstFrameAt = at;
            watch.lastDamageAt = at;
        }
    }

    if (!ended) {
        kill(child, SIGTERM);
        int status = 0;
        waitpid(child, &status, 0);
    }
    if (programUsed < 0.0 || measuredFor <= 0.0) {
        std::fprintf(stderr, "program-watch: the program %s before the measurement was done\n",
                     ended ? "ended" : "showed no frame");
        return 1;
    }
    std::printf("program_cpu %.2f%% xserver_cpu %.2f%% total_cpu %.2f%% fps %.2f first_frame_ms %.1f seconds %.1f\n",
                100.0 * programUsed / measuredFor, 100.0 * serverUsed / measuredFor,
                100.0 * (programUsed + serverUsed) / measuredFor, static_cast<double>(watch.windowFrames) / measuredFor,
                1000.0 * (watch.firstFrameAt - watch.execAt), measuredFor);
    return 0;
}
