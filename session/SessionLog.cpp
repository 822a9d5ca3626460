// SessionLog: the live session's record and trace; see the header.
#include "session/SessionLog.hpp"

#include "app/Application.hpp"
#include "platform/AtomicFile.hpp"
#include "platform/SystemCalls.hpp"
#include "session/ReplayScript.hpp"
#include "session/ReplayTrace.hpp"

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

SessionLog::~SessionLog()
{
    if (recordFd >= 0)
        sys::closeFile(recordFd);
}

bool SessionLog::open(const std::string& record, const std::string& tracePath, const Display* shownBy,
                      std::string& error)
{
    display = shownBy;
    const auto named = [](const std::string& path) { return path == "-" ? std::string("/dev/stdout") : path; };
    if (!record.empty() && !tracePath.empty() && AtomicFile::sameFile(named(record), named(tracePath))) {
        error = "--record and --trace name the same file, " + (record == "-" ? std::string("standard output") : record);
        return false;
    }
    if (!tracePath.empty()) {
        // "-" is the standard output as it was handed over (a pipe or a socket cannot be
        // opened again by name).
        if (tracePath == "-" ? !trace.openStandardOutput(error) : !trace.open(tracePath, error))
            return false;
        if (!trace.probeInPlace(error)) {
            trace.abandon();
            return false;
        }
        tracing = true;
    }
    if (!record.empty() && !openRecord(record, error)) {
        trace.abandon();
        tracing = false;
        return false;
    }
    return true;
}

bool SessionLog::openRecord(const std::string& path, std::string& error)
{
    const std::string name = path == "-" ? std::string("standard output") : path;
    const sys::PathKind kind = path == "-" ? sys::PathKind::Other : sys::pathKind(path);
    if (kind == sys::PathKind::Folder) {
        error = name + ": is a folder";
        return false;
    }
    if (kind == sys::PathKind::Other) {
        // Standard output or a device is written where it stands, from now on; a named pipe
        // that nobody reads is refused rather than waited for.
        recordFd = path == "-" ? sys::duplicateStandardOutput() : sys::openForWriting(path);
        if (recordFd >= 0)
            recordStart = sys::rewritableOffset(recordFd);
        // A pipe (ENXIO: a named one that nobody reads) or a terminal cannot be rewritten.
        if ((recordFd < 0 && errno == ENXIO) || (recordFd >= 0 && recordStart < 0)) {
            error = name + ": a record is rewritten in place as it grows; give a file, not a pipe or a terminal";
        } else if (recordFd < 0 || sys::writeSome(recordFd, "", 0) != 0) {
            error = name + ": cannot be written (" + std::strerror(errno) + ")";
        } else {
            recordPath = path;
            return true;
        }
        if (recordFd >= 0)
            sys::closeFile(recordFd);
        recordFd = -1;
        return false;
    }
    // A file: opened now to see that it can be, but made or emptied only at the first frame.
    const int fd = kind == sys::PathKind::Missing ? sys::createNewFile(path) : sys::openForWriting(path);
    if (fd < 0) {
        error = name + ": cannot be written (" + std::strerror(errno) + ")";
        return false;
    }
    sys::closeFile(fd);
    if (kind == sys::PathKind::Missing)
        sys::removeFile(path);
    recordPending = true;
    recordPath = path;
    return true;
}

void SessionLog::writeHeader(std::uint32_t seed)
{
    headerWritten = true;
    if (recordPending) {
        recordPending = false;
        recordFd = sys::createFile(recordPath);
        if (recordFd < 0) {
            recordFailure = std::strerror(errno);
            return;
        }
    }
    const std::string intro = "# A live session of sparkler; sparkler-replay --script FILE runs it again.\n# seed "
        + std::to_string(seed) + "\n# frames ";
    if (writeRecord(intro + std::string(kCountWidth, ' ') + "\n")) {
        countOffset = recordStart + static_cast<long long>(intro.size());
        writeCount(wholeFrames);
    }
}

void SessionLog::keyDelivered(std::uintptr_t code)
{
    pendingKeys.push_back(code);
}

void SessionLog::penDelivered(Pen pen)
{
    pendingPens.push_back(pen);
}

void SessionLog::frameShown(const Application& app, std::uint32_t stepMs, float dt)
{
    const std::int64_t frame = frames++;
    if (!recordPath.empty() && recordFailure.empty()) {
        if (!headerWritten)
            writeHeader(app.seed);
        const std::string at = std::to_string(frame);
        std::string lines;
        // The first frame's step is always 0, as the replay's first frame has it.
        if (frame > 0 && stepMs != kUsualStepMs)
            lines += at + " dt " + std::to_string(stepMs) + "\n";
        for (std::uintptr_t code : pendingKeys)
            lines += at + " key " + ReplayScript::keyName(code) + "\n";
        for (Pen pen : pendingPens)
            lines += at + " pen " + std::string(penName(pen)) + "\n";
        // What the read left in the state is what the frame added to the totals, even when
        // the read failed and the state still held the motion before.
        if (app.mouseState.lX != 0 || app.mouseState.lY != 0)
            lines
                += at + " mouse " + std::to_string(app.mouseState.lX) + " " + std::to_string(app.mouseState.lY) + "\n";
        if (recordFailure.empty() && (lines.empty() || writeRecord(lines)))
            wholeFrames = frames;
        if (recordFailure.empty() && frames % 60 == 0)
            writeCount(wholeFrames);
    }
    pendingKeys.clear();
    pendingPens.clear();
    if (tracing) {
        const std::uint64_t hash = display != nullptr ? frameHash(display->shownFrame().data(), display->shownFrame().size()) : 0;
        trace.write(traceLine(frame, dt, app, hash) + "\n");
    }
}

bool SessionLog::close(std::string& error)
{
    bool ok = true;
    if (!recordPath.empty()) {
        if (!headerWritten)
            writeHeader(0); // no frame ran: nothing to replay
        std::string lines;
        for (std::uintptr_t code : pendingKeys)
            lines += std::to_string(frames) + " key " + ReplayScript::keyName(code) + "\n";
        for (Pen pen : pendingPens)
            lines += std::to_string(frames) + " pen " + std::string(penName(pen)) + "\n";
        if (!lines.empty())
            writeRecord(lines);
        // After a failure too: the count, rewritten in place, needs no room that the disk lacks.
        writeCount(wholeFrames);
        if (recordFd >= 0) {
            if (!sys::syncToDisk(recordFd) && recordFailure.empty())
                recordFailure = std::strerror(errno);
            if (sys::closeFile(recordFd) != 0 && recordFailure.empty())
                recordFailure = std::strerror(errno);
            recordFd = -1;
        }
        if (!recordFailure.empty()) {
            error = (recordPath == "-" ? std::string("standard output") : recordPath)
                + ": the record could not be written whole (" + recordFailure + ")";
            if (countOffset >= 0)
                error += "; it replays its first " + std::to_string(wholeFrames) + " frames";
            ok = false;
        }
        recordPath.clear();
    }
    pendingKeys.clear();
    pendingPens.clear();
    if (tracing) {
        tracing = false;
        std::string traceError;
        if (!trace.commit(traceError)) {
            if (ok)
                error = traceError;
            ok = false;
        }
    }
    return ok;
}

bool SessionLog::writeRecord(const std::string& text)
{
    if (recordFd < 0 || !recordFailure.empty())
        return false;
    if (writeAll(recordFd, text, -1)) {
        recordLength += static_cast<long long>(text.size());
        return true;
    }
    recordFailure = lastReason();
    // Part of the text may be in: the record is cut back to its last whole line, so that it
    // stays a script the replay reads (a device that cannot be cut holds nothing to cut).
    sys::truncateFile(recordFd, recordStart + recordLength);
    return false;
}

void SessionLog::writeCount(std::int64_t count)
{
    if (recordFd < 0 || countOffset < 0)
        return;
    char field[kCountWidth + 1];
    std::snprintf(field, sizeof field, "%-*lld", kCountWidth, static_cast<long long>(count));
    if (!writeAll(recordFd, field, countOffset) && recordFailure.empty())
        recordFailure = lastReason();
}
