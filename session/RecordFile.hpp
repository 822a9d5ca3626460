// RecordFile: the file a live session's record is written to. Whole lines are appended as the
// session goes, and the header's frame count is rewritten in place, so a crash loses at most
// the last frames; a write that fails (a full disk) cuts the file back to its last whole line
// and keeps the count of the frames before it, so the record replays up to the failure. Needs
// a file or a seekable device, never a pipe. The session log runs its writes on a thread of
// their own; every call but open() is made there.
#pragma once

#include <cstdint>
#include <string>

class RecordFile {
public:
    RecordFile() = default;
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;
    ~RecordFile();

    // Checks the place ("-" is standard output). Standard output or a device is opened now; a
    // file is made (or emptied) only by writeHeader, so that a run that never starts leaves it
    // as it was. False with `error` ("PATH: why") when it cannot work.
    bool open(const std::string& path, std::string& error);
    // The header, with the seed the application drew; written before the first frame's lines.
    void writeHeader(std::uint32_t seed);
    // Appends the lines of the frames up to `frames`, which count as whole once all are in;
    // the header's count is rewritten every 60 frames.
    void writeFrames(const std::string& lines, std::int64_t frames);
    // Appends `lastLines` (those of no whole frame: the key-downs after the last one), writes
    // the count, flushes to the disk and closes. False with `error` set when any write failed.
    bool finish(const std::string& lastLines, std::string& error);

private:
    bool append(const std::string& text);
    // Rewrites the header's count with the frames whose lines are all in the file.
    void writeCount();

    int fd = -1;
    std::string path;
    std::string failure;
    bool pending = false; // the file is made at the header
    bool headerWritten = false;
    long long start = 0; // where the record begins in its file (standard output may be past 0)
    long long length = 0; // the whole lines written so far
    long long countOffset = -1; // where the header's frame count stands, once it is whole
    std::int64_t wholeFrames = 0; // frames whose every line is in the record
};
