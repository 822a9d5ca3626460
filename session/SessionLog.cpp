// SessionLog: the live session's record and trace; see the header.
#include "session/SessionLog.hpp"

#include "app/Application.hpp"
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

} // namespace

SessionLog::~SessionLog()
{
    if (recordFd >= 0)
        sys::closeFile(recordFd);
}

bool SessionLog::open(const std::string& record, const std::string& tracePath,
                      const Display* shownBy, std::string& error)
{
    display = shownBy;
    if (!tracePath.empty()) {
        // "-" is the standard output as it was handed over (a pipe or a socket cannot be
        // opened again through /dev/stdout).
        if (tracePath == "-" ? !trace.openStandardOutput(error) : !trace.open(tracePath, error))
            return false;
        tracing = true;
    }
    if (!record.empty()) {
        recordPath = record;
        recordFd = sys::createFile(record);
        if (recordFd < 0) {
            error = record + ": cannot be written (" + std::strerror(errno) + ")";
            return false;
        }
    }
    return true;
}

void SessionLog::writeHeader(std::uint32_t seed)
{
    headerWritten = true;
    const std::string intro = "# A live session of sparkler; sparkler-replay --script FILE runs it again.\n# seed "
        + std::to_string(seed) + "\n# frames ";
    countOffset = intro.size();
    writeRecord(intro + std::string(kCountWidth, ' ') + "\n");
    writeCount();
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
    if (recordFd >= 0) {
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
        if (!lines.empty())
            writeRecord(lines);
        if (frames % 60 == 0)
            writeCount();
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
    if (recordFd >= 0) {
        if (!headerWritten)
            writeHeader(0); // no frame ran: nothing to replay
        std::string lines;
        for (std::uintptr_t code : pendingKeys)
            lines += std::to_string(frames) + " key " + ReplayScript::keyName(code) + "\n";
        for (Pen pen : pendingPens)
            lines += std::to_string(frames) + " pen " + std::string(penName(pen)) + "\n";
        if (!lines.empty())
            writeRecord(lines);
        writeCount();
        if (!sys::syncToDisk(recordFd) && recordFailure.empty())
            recordFailure = std::strerror(errno);
        if (sys::closeFile(recordFd) != 0 && recordFailure.empty())
            recordFailure = std::strerror(errno);
        recordFd = -1;
        if (!recordFailure.empty()) {
            error = recordPath + ": the record could not be written whole (" + recordFailure + ")";
            ok = false;
        }
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

void SessionLog::writeRecord(const std::string& text)
{
    if (recordFailure.empty() && !writeAll(recordFd, text, -1))
        recordFailure = errno != 0 ? std::strerror(errno) : "a short write";
}

void SessionLog::writeCount()
{
    char field[kCountWidth + 1];
    std::snprintf(field, sizeof field, "%-*lld", kCountWidth, static_cast<long long>(frames));
    if (recordFailure.empty() && !writeAll(recordFd, field, static_cast<long long>(countOffset)))
        recordFailure = errno != 0 ? std::strerror(errno) : "a short write";
}
