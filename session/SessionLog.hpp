// SessionLog: what the live program writes beside running, with --record and --trace. The
// record is a replay script of the session: a header with the seed and the number of frames,
// then for every frame its time step where it is not the usual 16 ms, the mouse motion its
// read gave, the key-downs delivered before it and a writer's pen events. It is written as the
// session goes (each frame's lines at once, the header's count every second), so a crash loses
// at most the last frames, and a write that fails (a full disk) is cut back to the last whole
// line with the count of the frames before it, so the record replays up to the failure. The
// trace is the replay tool's, line for line, written whole or not at all.
#pragma once

#include "platform/AtomicFile.hpp"
#include "platform/Display.hpp"
#include "session/MainWindow.hpp"

#include <cstdint>
#include <span>
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
    bool open(const std::string& recordPath, const std::string& tracePath, const Display* shownBy,
              std::string& error);
    // The display whose shown frame the trace hashes, once it exists.
    void showsFrom(const Display* shownBy) { display = shownBy; }
    void keyDelivered(std::uintptr_t code) override;
    void penDelivered(Pen pen) override;
    void frameShown(const Application& app, std::uint32_t stepMs, float dt) override;

    // Writes the key-downs after the last frame (the Escape that ended it), the final count,
    // and puts the trace in place. False with `error` set when any write of either failed.
    // Once closed, a second call does nothing.
    bool close(std::string& error);

    std::int64_t framesShown() const { return frames; }

    // The usual step the replay tool assumes when a script gives none.
    static constexpr std::uint32_t kUsualStepMs = 16;

private:
    // The header, with the seed the application drew; written before the first frame's lines.
    void writeHeader(std::uint32_t seed);
    bool openRecord(const std::string& path, std::string& error);
    bool writeRecord(const std::string& text);
    void writeCount(std::int64_t count);

    int recordFd = -1;
    std::string recordPath;
    std::string recordFailure;
    bool recordPending = false; // the record's file is made at the first frame
    long long recordStart = 0; // where the record begins in its file (standard output may be past 0)
    long long recordLength = 0; // the whole lines written so far
    long long countOffset = -1; // where the header's frame count stands, once it is whole
    std::int64_t wholeFrames = 0; // frames whose every line is in the record
    AtomicFile trace;
    bool tracing = false;
    const Display* display = nullptr;
    std::vector<std::uintptr_t> pendingKeys;
    std::vector<Pen> pendingPens;
    std::int64_t frames = 0;
    bool headerWritten = false;
};
