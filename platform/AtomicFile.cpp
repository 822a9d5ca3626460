// AtomicFile: the temporary-then-rename writer; see the header. Plain descriptor calls only
// (platform/SystemCalls.hpp), so that every failure (a full disk, a read-only folder, an I/O
// error at close) is seen with its errno.
#include "platform/AtomicFile.hpp"

#include "platform/SystemCalls.hpp"
#include "platform/ProcessGuards.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

// The folder part of `path` with its trailing slash ("" for a bare name), and the name part.
void splitPath(const std::string& path, std::string& folder, std::string& name)
{
    const std::size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

AtomicFile::~AtomicFile()
{
    abandon();
}

bool AtomicFile::open(const std::string& path, std::string& error)
{
    abandon();
    failure_.clear();
    failureCode_ = 0;
    written_ = 0;
    std::string folder;
    std::string name;
    splitPath(path, folder, name);
    if (name.empty() || name == "." || name == "..") {
        error = path + ": not a file name";
        return false;
    }
    // A device or a pipe (/dev/null, /dev/stdout) is written in place: it cannot be renamed
    // over, and it holds no old content to keep.
    const sys::PathKind kind = sys::pathKind(path);
    if (kind == sys::PathKind::Folder || kind == sys::PathKind::Other) {
        if (kind == sys::PathKind::Folder) {
            error = path + ": is a folder";
            return false;
        }
        const int fd = sys::openForWriting(path);
        if (fd < 0) {
            error = path + ": cannot be written ("
                + (errno == ENXIO ? std::string("nothing reads from it") : std::strerror(errno)) + ")";
            return false;
        }
        fd_ = fd;
        path_ = path;
        buffer_.reserve(kBufferBytes);
        return true;
    }
    // A hidden name in the same folder: the rename then never crosses a file system. The
    // process id and a counter keep two writers (or two files of one writer) apart.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + "." + name + "." + std::to_string(sys::processId()) + "-" + std::to_string(++counter) + ".tmp";
        const int fd = sys::createNewFile(candidate);
        if (fd >= 0) {
            fd_ = fd;
            path_ = path;
            temporary_ = std::move(candidate);
            registerTemporary(temporary_.c_str());
            buffer_.reserve(kBufferBytes);
            return true;
        }
        if (errno != EEXIST) {
            error = path + ": cannot be written (" + std::strerror(errno) + ")";
            return false;
        }
    }
    error = path + ": cannot be written (no free temporary name beside it)";
    return false;
}

bool AtomicFile::openStandardOutput(std::string& error)
{
    abandon();
    failure_.clear();
    failureCode_ = 0;
    written_ = 0;
    const int fd = sys::duplicateStandardOutput();
    if (fd < 0) {
        error = "standard output is closed";
        return false;
    }
    fd_ = fd;
    path_ = "standard output";
    buffer_.reserve(kBufferBytes);
    return true;
}

void AtomicFile::fail(const char* what, int code)
{
    if (failure_.empty()) {
        failure_ = path_ + ": " + what + " (" + std::strerror(code) + ")";
        failureCode_ = code;
    }
}

bool AtomicFile::flushBuffer()
{
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const long written = sys::writeSome(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            fail("could not be written whole", written < 0 ? errno : ENOSPC);
            buffer_.clear();
            return false;
        }
        done += static_cast<std::size_t>(written);
        written_.fetch_add(written, std::memory_order_relaxed);
    }
    buffer_.clear();
    return true;
}

bool AtomicFile::write(const void* data, std::size_t size)
{
    if (fd_ < 0 || !failure_.empty())
        return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const std::size_t room = kBufferBytes - buffer_.size();
        const std::size_t part = size < room ? size : room;
        buffer_.insert(buffer_.end(), bytes, bytes + part);
        bytes += part;
        size -= part;
        if (buffer_.size() == kBufferBytes && !flushBuffer())
            return false;
    }
    return true;
}

bool AtomicFile::commit(std::string& error)
{
    if (fd_ < 0) {
        error = (path_.empty() ? std::string("output") : path_) + ": was not opened";
        return false;
    }
    if (failure_.empty())
        flushBuffer();
    // fsync reports the deferred write errors of file systems that write back later.
    if (failure_.empty() && !temporary_.empty() && !sys::syncToDisk(fd_))
        fail("could not be written whole", errno);
    const int closed = sys::closeFile(fd_);
    fd_ = -1;
    if (failure_.empty() && closed != 0)
        fail("could not be written whole", errno);
    if (failure_.empty() && !temporary_.empty() && !sys::replaceFile(temporary_, path_))
        fail("could not be put in place", errno);
    if (!failure_.empty()) {
        if (!temporary_.empty())
            sys::removeFile(temporary_);
        forgetTemporary(temporary_.c_str());
        temporary_.clear();
        error = failure_;
        return false;
    }
    forgetTemporary(temporary_.c_str());
    temporary_.clear();
    return true;
}

void AtomicFile::abandon()
{
    if (fd_ >= 0) {
        sys::closeFile(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        sys::removeFile(temporary_);
        forgetTemporary(temporary_.c_str());
        temporary_.clear();
    }
    buffer_.clear();
}

bool AtomicFile::probeInPlace(std::string& error)
{
    if (fd_ < 0 || !temporary_.empty() || sys::writeSome(fd_, "", 0) == 0)
        return true;
    error = path_ + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
}

bool AtomicFile::sameFile(const std::string& a, const std::string& b)
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (fs::equivalent(a, b, ignored))
        return true;
    const fs::path left = fs::weakly_canonical(fs::absolute(a, ignored), ignored);
    const fs::path right = fs::weakly_canonical(fs::absolute(b, ignored), ignored);
    return !left.empty() && left == right;
}

bool AtomicFile::canCreate(const std::string& path, std::string& error)
{
    AtomicFile probe;
    if (!probe.open(path, error))
        return false;
    probe.abandon();
    return true;
}

bool AtomicFile::writeWhole(const std::string& path, const void* data, std::size_t size, std::string& error)
{
    AtomicFile file;
    if (!file.open(path, error))
        return false;
    file.write(data, size);
    return file.commit(error);
}
