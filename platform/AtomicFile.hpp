// AtomicFile: writes one output file whole or not at all. The bytes go to a temporary file in
// the target's own folder; every write, the flush to the disk and the close are checked, and only
// then is the temporary renamed over the target. Any failure, or destruction before commit,
// removes the temporary, so a reader never sees a half-written file under the final name.
// A target that is a device or a pipe (/dev/stdout) is written in place, still fully checked;
// a named pipe that nobody reads is refused at open rather than waited for. A terminating
// signal removes the temporary too (see ProcessGuards).
// Buffered (64 KiB), so small writes (trace lines) cost little. One thread writes; another may
// read how many bytes have gone out. Not copyable.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary beside `path`. False with `error` ("PATH: why") when it cannot.
    bool open(const std::string& path, std::string& error);
    // Standard output, written in place and checked the same way; false when it is closed.
    bool openStandardOutput(std::string& error);
    // Appends bytes. A failure is kept and reported by commit(); later writes are dropped.
    bool write(const void* data, std::size_t size);
    bool write(std::string_view text) { return write(text.data(), text.size()); }
    // Hands what is buffered to the system now (for a reader that follows the output as it
    // grows). False when a write failed; the failure is kept for commit().
    bool flush() { return fd_ >= 0 && failure_.empty() && flushBuffer(); }
    // Flushes, syncs, closes and renames into place. False with `error` set, and nothing left
    // behind, when any step of the whole write failed.
    bool commit(std::string& error);
    // Throws the temporary away; the target is left as it was.
    void abandon();

    bool isOpen() const { return fd_ >= 0; }
    // Written where it stands (a device, a pipe, standard output), with no temporary.
    bool inPlace() const { return fd_ >= 0 && temporary_.empty(); }
    // The errno of the first failure, 0 while all went well.
    int failureCode() const { return failureCode_; }
    const std::string& path() const { return path_; }
    // How many bytes the system has taken so far; may be read from any thread.
    long long bytesWritten() const { return written_.load(std::memory_order_relaxed); }

    // For an output written in place (a device, a pipe, standard output): a write of no bytes,
    // which a place that takes nothing (a full device) already refuses. False with `error` then.
    bool probeInPlace(std::string& error);

    // Two names for one file: the same file now (through a link, /dev/stdout), or the same
    // path once its folders are resolved.
    static bool sameFile(const std::string& a, const std::string& b);
    // Whether a file could be created in the folder of `path` now: makes and removes a
    // temporary there. For checking outputs before a long run starts.
    static bool canCreate(const std::string& path, std::string& error);
    // Writes `size` bytes to `path` through an AtomicFile.
    static bool writeWhole(const std::string& path, const void* data, std::size_t size, std::string& error);

private:
    bool flushBuffer();
    void fail(const char* what, int code);

    int fd_ = -1;
    std::string path_;
    std::string temporary_;
    std::vector<char> buffer_;
    std::string failure_; // the first failure, empty while all went well
    int failureCode_ = 0;
    std::atomic<long long> written_{0};
};
