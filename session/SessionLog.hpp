// SessionLog: what the live program writes beside running, with --record and --trace. The
// record is a replay script of the session (see RecordFile): a header with the seed and the
// number of frames, then for every frame its time step where it is not the usual 16 ms, the
// mouse motion its read gave, the key-downs delivered before it and a writer's pen events. The
// trace is the replay tool's, line for line, written whole or not at all. Each output is
// written on a thread of its own, so the loop never waits on a slow disk or a stalled reader;
// at the close a trace whose reader has stopped reading is given up after a short wait.
#pragma once

#include "platform/AtomicFile.hpp"
#include "platform/Display.hpp"
#include "platform/OutputThread.hpp"
#include "session/MainWindow.hpp"
#include "session/RecordFile.hpp"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SessionLog : public LoopWatcher {
public:
    SessionLog() = default;
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;
    ~SessionLog() override;

    // Opens the trace (when tracePath is not empty) and checks the record's place (when
    // recordPath is not empty); "-" is standard output for both. Meant to run before any window
    // opens: the record's file is made (or emptied) at the first frame, so that a run that never
    // starts leaves it as it was. A record is rewritten in place as it grows, so it needs a file
    // or a seekable device, never a pipe. The trace hashes the frame last shown by `shownBy`
    // (see showsFrom). False with `error` ("PATH: why") when an output cannot work, or when both
    // name one file.
    bool open(const std::string& recordPath, const std::string& tracePath, const Display* shownBy, std::string& error);
    // The display whose shown frame the trace hashes, once it exists.
    void showsFrom(const Display* shownBy) { display = shownBy; }
    void keyDelivered(std::uintptr_t code) override;
    void penDelivered(Pen pen) override;
    void frameShown(const Application& app, std::uint32_t stepMs, float dt) override;

    // Writes the key-downs after the last frame (the Escape that ended it), the final count,
    // and puts the trace in place, waiting for both. False with `error` set when any write of
    // either failed, or when the trace's reader (a pipe, a terminal, a device) took nothing for
    // `patience`: the line then says how much of the trace it did not get. Once closed, a
    // second call does nothing.
    bool close(std::string& error, std::chrono::milliseconds patience = kTracePatience);

    std::int64_t framesShown() const { return frames; }

    // The usual step the replay tool assumes when a script gives none.
    static constexpr std::uint32_t kUsualStepMs = 16;
    // How long the close waits for a trace's reader that takes nothing.
    static constexpr std::chrono::milliseconds kTracePatience{2000};
    // How far (in bytes) the trace's reader may fall behind before the trace is given up,
    // rather than the machine's memory.
    static constexpr long long kTraceBacklogLimit = 256ll << 20;

private:
    bool closeTrace(std::string& error, std::chrono::milliseconds patience);

    // Each output is used on its thread only, once open; the jobs share it, so that a job
    // stuck in a write keeps it alive.
    std::shared_ptr<RecordFile> record;
    std::unique_ptr<OutputThread> recordThread;
    std::shared_ptr<AtomicFile> trace;
    std::unique_ptr<OutputThread> traceThread;
    bool traceInPlace = false; // a pipe, a terminal or a device, which a reader may stop taking
    long long traceBytes = 0; // handed to the trace's thread
    bool traceBehind = false; // its reader fell kTraceBacklogLimit behind
    const Display* display = nullptr;
    std::vector<std::uintptr_t> pendingKeys;
    std::vector<Pen> pendingPens;
    std::int64_t frames = 0;
    bool headerWritten = false;
};
