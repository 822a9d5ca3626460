// ProcessSignals: the standard descriptors and the signal handlers over POSIX; see
// platform/ProcessGuards.hpp. The handlers only unlink, set a flag and re-raise, all of it
// async-signal-safe.
#include "platform/ProcessGuards.hpp"

#include <csignal>
#include <fcntl.h>
#include <initializer_list>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t closeRequested = 0;

bool isClosed(int fd)
{
    return ::fcntl(fd, F_GETFD) == -1;
}

void removeAndEnd(int signal)
{
    for (int slot = 0; slot < kTemporarySlots; ++slot) {
        if (const char* path = registeredTemporary(slot))
            ::unlink(path);
    }
    // The handler is the default again (reset on entry, or here): the signal, blocked until
    // this returns, then ends the process as it would have without the handler.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    ::sigaction(signal, &byDefault, nullptr);
    ::raise(signal);
}

// The first signal asks the loop to close; a second one, while it closes, ends it at once.
void setFlag(int signal)
{
    if (closeRequested != 0)
        removeAndEnd(signal);
    closeRequested = 1;
}

// Installs `handler` for every signal that is not ignored: a program started with one ignored
// (nohup) keeps ignoring it. A write past the file size limit then fails with EFBIG instead of
// ending the process.
void install(void (*handler)(int), std::initializer_list<int> signals, int flags)
{
    for (int signal : signals) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        action.sa_flags = flags;
        ::sigaction(signal, &action, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace

ClosedStandardDescriptors openClosedStandardDescriptors()
{
    const ClosedStandardDescriptors closed{isClosed(STDIN_FILENO), isClosed(STDOUT_FILENO), isClosed(STDERR_FILENO)};
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (!isClosed(fd))
            continue;
        // open() takes the lowest free number, which is this one unless a lower one is too.
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
    return closed;
}

void removeTemporariesOnSignals()
{
    install(removeAndEnd, {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}, SA_RESETHAND | SA_RESTART);
}

void requestCloseOnSignals()
{
    install(setFlag, {SIGINT, SIGTERM, SIGHUP, SIGQUIT}, SA_RESTART);
    std::signal(SIGPIPE, SIG_IGN);
}

bool closeRequestedBySignal()
{
    return closeRequested != 0;
}
