// SessionLog: what the live program writes beside running, with --record and --trace. The
// record is a replay script of the session: a header with the seed and the number of frames,
// then for every frame its time step where it is not the usual 16 ms, the mouse motion its
// read gave, the key-downs delivered before it and a writer's pen events. It is written as the session goes (each
// frame's lines at once, the header's count every second), so a crash loses at most the last
// frames. The trace is the replay tool's, line for line, written whole or not at all.
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

    // Opens the record (when recordPath is not empty) and the trace (when tracePath is not
    // empty; "-" is standard output). The trace hashes the frame last shown by `shownBy`. False
    // with `error` ("PATH: why") when one cannot be made.
    bool open(const std::string& recordPath, const std::string& tracePath, const Display* shownBy,
              std::string& error);
    void keyDelivered(std::uintptr_t code) override;
    void penDelivered(Pen pen) override;
    void frameShown(const Application& app, std::uint32_t stepMs, float dt) override;

    // Writes the key-downs after the last frame (the Escape that ended it), the final count,
    // and puts the trace in place. False with `error` set when any write of either failed.
    bool close(std::string& error);

    std::int64_t framesShown() const { return frames; }

    // The usual step the replay tool assumes when a script gives none.
    static constexpr std::uint32_t kUsualStepMs = 16;

private:
    // The header, with the seed the application drew; written before the first frame's lines.
    void writeHeader(std::uint32_t seed);
    void writeRecord(const std::string& text);
    void writeCount();

    int recordFd = -1;
    std::string recordPath;
    std::string recordFailure;
    std::size_t countOffset = 0; // where the header's frame count stands in the file
    AtomicFile trace;
    bool tracing = false;
    const Display* display = nullptr;
    std::vector<std::uintptr_t> pendingKeys;
    std::vector<Pen> pendingPens;
    std::int64_t frames = 0;
    bool headerWritten = false;
};
