// SessionLog: the live session's record and trace; see the header. The loop makes each frame's
// lines and hands them to the outputs' threads; only those threads touch the files.
#include "session/SessionLog.hpp"

#include "app/Application.hpp"
#include "platform/AtomicFile.hpp"
#include "session/ReplayScript.hpp"
#include "session/ReplayTrace.hpp"

namespace {

using SteadyClock = std::chrono::steady_clock;

} // namespace

SessionLog::~SessionLog() = default;

bool SessionLog::open(const std::string& recordPath, const std::string& tracePath, const Display* shownBy,
                      std::string& error)
{
    display = shownBy;
    const auto named = [](const std::string& path) { return path == "-" ? std::string("/dev/stdout") : path; };
    if (!recordPath.empty() && !tracePath.empty() && AtomicFile::sameFile(named(recordPath), named(tracePath))) {
        error = "--record and --trace name the same file, "
            + (recordPath == "-" ? std::string("standard output") : recordPath);
        return false;
    }
    auto traceFile = std::make_shared<AtomicFile>();
    if (!tracePath.empty()) {
        // "-" is the standard output as it was handed over (a pipe or a socket cannot be
        // opened again by name).
        if (tracePath == "-" ? !traceFile->openStandardOutput(error) : !traceFile->open(tracePath, error))
            return false;
        if (!traceFile->probeInPlace(error))
            return false;
    }
    auto recordFile = std::make_shared<RecordFile>();
    if (!recordPath.empty() && !recordFile->open(recordPath, error))
        return false;
    if (!tracePath.empty()) {
        traceInPlace = traceFile->inPlace();
        trace = std::move(traceFile);
        traceThread = std::make_unique<OutputThread>();
    }
    if (!recordPath.empty()) {
        record = std::move(recordFile);
        recordThread = std::make_unique<OutputThread>();
    }
    return true;
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
    if (record != nullptr) {
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
        const bool first = !headerWritten;
        headerWritten = true;
        recordThread->post([file = record, first, seed = app.seed, lines = std::move(lines), count = frames] {
            if (first)
                file->writeHeader(seed);
            file->writeFrames(lines, count);
        });
    }
    pendingKeys.clear();
    pendingPens.clear();
    if (trace != nullptr) {
        const std::uint64_t hash
            = display != nullptr ? frameHash(display->shownFrame().data(), display->shownFrame().size()) : 0;
        std::string line = traceLine(frame, dt, app, hash) + "\n";
        traceBytes += static_cast<long long>(line.size());
        // A reader that never catches up would otherwise take all the memory there is; a file
        // always does.
        traceBehind = traceBehind || (traceInPlace && traceBytes - trace->bytesWritten() > kTraceBacklogLimit);
        if (!traceBehind) {
            traceThread->post([file = trace, line = std::move(line), inPlace = traceInPlace] {
                // In place, each frame's line goes out at once, for a reader that follows it.
                if (file->write(line) && inPlace)
                    file->flush();
            });
        }
    }
}

bool SessionLog::close(std::string& error, std::chrono::milliseconds patience)
{
    bool ok = true;
    if (record != nullptr) {
        std::string lines;
        for (std::uintptr_t code : pendingKeys)
            lines += std::to_string(frames) + " key " + ReplayScript::keyName(code) + "\n";
        for (Pen pen : pendingPens)
            lines += std::to_string(frames) + " pen " + std::string(penName(pen)) + "\n";
        auto failure = std::make_shared<std::string>();
        recordThread->post([file = record, lines = std::move(lines), failure] { file->finish(lines, *failure); });
        // A disk always ends its writes, however slowly: the record is waited for whole.
        recordThread->waitUntilDone(SteadyClock::time_point::max());
        recordThread.reset();
        record.reset();
        if (!failure->empty()) {
            error = *failure;
            ok = false;
        }
    }
    pendingKeys.clear();
    pendingPens.clear();
    if (trace != nullptr) {
        std::string traceError;
        if (!closeTrace(traceError, patience)) {
            if (ok)
                error = traceError;
            ok = false;
        }
    }
    return ok;
}

bool SessionLog::closeTrace(std::string& error, std::chrono::milliseconds patience)
{
    auto failure = std::make_shared<std::string>();
    if (!traceBehind)
        traceThread->post([file = trace, failure] { file->commit(*failure); });
    // A file is waited for whole. In place, the wait goes on as long as the reader keeps taking
    // bytes, and ends when it has taken none for `patience`.
    bool done = false;
    long long taken = trace->bytesWritten();
    SteadyClock::time_point deadline = traceInPlace ? SteadyClock::now() + patience : SteadyClock::time_point::max();
    while (!traceBehind && !(done = traceThread->waitUntilDone(deadline))) {
        const long long now = trace->bytesWritten();
        if (now == taken)
            break;
        taken = now;
        deadline = SteadyClock::now() + patience;
    }
    const std::string where = trace->path();
    const long long missing = traceBytes - trace->bytesWritten();
    // Given up, the thread is left to its write; nothing of the trace is touched here again.
    traceThread.reset();
    trace.reset();
    if (done) {
        error = *failure;
        return failure->empty();
    }
    error = where + ": " + std::to_string(missing) + " of the trace's " + std::to_string(traceBytes)
        + " bytes were not delivered ("
        + (traceBehind ? "its reader fell too far behind" : "its reader stopped reading") + ")";
    return false;
}
