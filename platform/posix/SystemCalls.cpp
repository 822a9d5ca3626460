// SystemCalls over POSIX (Linux and the browser build's emulated file system); see the header.
#include "platform/SystemCalls.hpp"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace sys {

namespace {

bool isFolder(const std::string& path)
{
    return pathKind(path) == PathKind::Folder;
}

std::string withSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

PathKind pathKind(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return PathKind::Missing;
    if (S_ISREG(info.st_mode))
        return PathKind::Regular;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::Other;
}

long long regularFileSize(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<long long>(info.st_size) : -1;
}

int openForWriting(const std::string& path)
{
    // Without blocking: a named pipe that nobody reads would hold the open forever (ENXIO
    // instead). Once open, writes wait as usual.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

int createNewFile(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

int createFile(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int openForReading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

int duplicateStandardOutput()
{
#ifdef __EMSCRIPTEN__
    return STDOUT_FILENO; // node's runtime has no F_DUPFD: its descriptor 1 is the host's own
#else
    return ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
#endif
}

bool standardOutputOpen()
{
    return ::fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

bool standardErrorIsTerminal()
{
#ifdef __EMSCRIPTEN__
    // Under node every standard descriptor claims to be a terminal; node itself knows.
    return EM_ASM_INT({ return require('tty').isatty(2) ? 1 : 0; }) != 0;
#else
    return ::isatty(STDERR_FILENO) == 1;
#endif
}

long writeSome(int fd, const void* data, std::size_t size)
{
    return static_cast<long>(::write(fd, data, size));
}

long readSome(int fd, void* data, std::size_t size)
{
    return static_cast<long>(::read(fd, data, size));
}

long writeSomeAt(int fd, const void* data, std::size_t size, long long offset)
{
    return static_cast<long>(::pwrite(fd, data, size, static_cast<off_t>(offset)));
}

long long rewritableOffset(int fd)
{
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    const int flags = ::fcntl(fd, F_GETFL);
    if (at < 0 || flags < 0)
        return -1;
    if ((flags & O_APPEND) != 0) {
        errno = EINVAL; // every write would go to the end, the rewrites included
        return -1;
    }
    return static_cast<long long>(at);
}

bool truncateFile(int fd, long long size)
{
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
}

bool syncToDisk(int fd)
{
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

int closeFile(int fd)
{
    return ::close(fd);
}

bool replaceFile(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void removeFile(const std::string& path)
{
    ::unlink(path.c_str());
}

unsigned long processId()
{
    return static_cast<unsigned long>(::getpid());
}

bool localTime(std::time_t seconds, std::tm& out)
{
    return ::localtime_r(&seconds, &out) != nullptr;
}

std::string picturesFolder()
{
    // xdg-user-dir knows the user's own name for the folder; it prints $HOME when none is set.
    if (std::FILE* pipe = ::popen("xdg-user-dir PICTURES 2>/dev/null", "r")) {
        char line[4096];
        std::string answer;
        if (std::fgets(line, sizeof line, pipe) != nullptr)
            answer = line;
        const int status = ::pclose(pipe);
        while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
            answer.pop_back();
        if (status == 0 && !answer.empty() && answer[0] == '/' && isFolder(answer))
            return withSlash(answer);
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' && isFolder(home) ? withSlash(home) : std::string();
}

} // namespace sys
