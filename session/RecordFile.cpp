// RecordFile: the record's file, appended and rewritten in place; see the header.
#include "session/RecordFile.hpp"

#include "platform/SystemCalls.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The count is written in a field this wide, so that it can be rewritten in place.
constexpr int kCountWidth = 12;

// Writes all of `text` at `offset` (or at the end when offset is negative).
bool writeAll(int fd, const std::string& text, long long offset)
{
    errno = 0;
    std::size_t done = 0;
    while (done < text.size()) {
        const long n = offset < 0
            ? sys::writeSome(fd, text.data() + done, text.size() - done)
            : sys::writeSomeAt(fd, text.data() + done, text.size() - done, offset + static_cast<long long>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The reason of the last failed call, for an error line.
std::string lastReason()
{
    return errno != 0 ? std::strerror(errno) : "a short write";
}

} // namespace

RecordFile::~RecordFile()
{
    if (fd >= 0)
        sys::closeFile(fd);
}

bool RecordFile::open(const std::string& where, std::string& error)
{
    const std::string name = where == "-" ? std::string("standard output") : where;
    const sys::PathKind kind = where == "-" ? sys::PathKind::Other : sys::pathKind(where);
    if (kind == sys::PathKind::Folder) {
        error = name + ": is a folder";
        return false;
    }
    if (kind == sys::PathKind::Other) {
        // Standard output or a device is written where it stands, from now on; a named pipe
        // that nobody reads is refused rather than waited for.
        fd = where == "-" ? sys::duplicateStandardOutput() : sys::openForWriting(where);
        if (fd >= 0)
            start = sys::rewritableOffset(fd);
        // A pipe (ENXIO: a named one that nobody reads) or a terminal cannot be rewritten.
        if ((fd < 0 && errno == ENXIO) || (fd >= 0 && start < 0)) {
            error = name + ": a record is rewritten in place as it grows; give a file, not a pipe or a terminal";
        } else if (fd < 0 || sys::writeSome(fd, "", 0) != 0) {
            error = name + ": cannot be written (" + std::strerror(errno) + ")";
        } else {
            path = where;
            return true;
        }
        if (fd >= 0)
            sys::closeFile(fd);
        fd = -1;
        return false;
    }
    // A file: opened now to see that it can be, but made or emptied only at the first frame.
    const int probe = kind == sys::PathKind::Missing ? sys::createNewFile(where) : sys::openForWriting(where);
    if (probe < 0) {
        error = name + ": cannot be written (" + std::strerror(errno) + ")";
        return false;
    }
    sys::closeFile(probe);
    if (kind == sys::PathKind::Missing)
        sys::removeFile(where);
    pending = true;
    path = where;
    return true;
}

void RecordFile::writeHeader(std::uint32_t seed)
{
    headerWritten = true;
    if (pending) {
        pending = false;
        fd = sys::createFile(path);
        if (fd < 0) {
            failure = std::strerror(errno);
            return;
        }
    }
    const std::string intro = "# A live session of sparkler; sparkler-replay --script FILE runs it again.\n# seed "
        + std::to_string(seed) + "\n# frames ";
    if (append(intro + std::string(kCountWidth, ' ') + "\n")) {
        countOffset = start + static_cast<long long>(intro.size());
        writeCount();
    }
}

void RecordFile::writeFrames(const std::string& lines, std::int64_t frames)
{
    if (!failure.empty())
        return;
    if (lines.empty() || append(lines))
        wholeFrames = frames;
    if (failure.empty() && frames % 60 == 0)
        writeCount();
}

void RecordFile::writeCount()
{
    if (fd < 0 || countOffset < 0)
        return;
    char field[kCountWidth + 1];
    std::snprintf(field, sizeof field, "%-*lld", kCountWidth, static_cast<long long>(wholeFrames));
    if (!writeAll(fd, field, countOffset) && failure.empty())
        failure = lastReason();
}

bool RecordFile::finish(const std::string& lastLines, std::string& error)
{
    if (!headerWritten)
        writeHeader(0); // no frame ran: nothing to replay
    if (!lastLines.empty())
        append(lastLines);
    // After a failure too: the count, rewritten in place, needs no room that the disk lacks.
    writeCount();
    if (fd >= 0) {
        if (!sys::syncToDisk(fd) && failure.empty())
            failure = std::strerror(errno);
        if (sys::closeFile(fd) != 0 && failure.empty())
            failure = std::strerror(errno);
        fd = -1;
    }
    if (failure.empty())
        return true;
    error = (path == "-" ? std::string("standard output") : path) + ": the record could not be written whole ("
        + failure + ")";
    if (countOffset >= 0)
        error += "; it replays its first " + std::to_string(wholeFrames) + " frames";
    return false;
}

bool RecordFile::append(const std::string& text)
{
    if (fd < 0 || !failure.empty())
        return false;
    if (writeAll(fd, text, -1)) {
        length += static_cast<long long>(text.size());
        return true;
    }
    failure = lastReason();
    // Part of the text may be in: the record is cut back to its last whole line, so that it
    // stays a script the replay reads (a device that cannot be cut holds nothing to cut).
    sys::truncateFile(fd, start + length);
    return false;
}
