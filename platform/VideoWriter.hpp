// VideoWriter: writes a run as one video file with its sound: RGB565 frames, each shown from
// its start time (whole milliseconds since the run began) until the next frame's, and the
// run's 16-bit stereo mix beside them. The container and codecs follow the file name's ending.
// The file appears under its name only once it was written whole; a failure leaves nothing.
// Builds without the video libraries have no writer: opening one then fails with a reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class VideoFormat {
    Unknown,
    WebM, // VP9 video, Opus sound
    Mp4, // H.264 video, AAC sound
};

// The format a file name asks for by its ending (".webm" or ".mp4", any letter case).
VideoFormat videoFormatFor(const std::string& path);

// The endings this build can write, for messages: ".webm or .mp4", or empty.
const char* videoEndings();

struct VideoSettings {
    std::string path;
    int width = 0; // of the frames handed in
    int height = 0;
    int scale = 1; // each pixel becomes scale x scale pixels, sharp (nearest neighbour)
    // Every pixel's own colour (4:4:4: H.264 High 4:4:4, VP9 profile 1) instead of one colour
    // sample for each 2 x 2 block (4:2:0), which is what browsers, phones and players play.
    bool fullChroma = false;
    int sampleRate = 44100; // of the interleaved stereo sound handed in
    std::uint32_t nominalFrameMs = 16; // the usual frame step, a hint for the encoders' rate control
};

// The largest scale: 4 gives 4096 x 3072 from the program's 1024 x 768.
constexpr int kMaxVideoScale = 4;
// The usual scale: each pixel a 2 x 2 block, exactly what one colour sample of 4:2:0 covers,
// so single sparks keep their colour in the layout every player plays.
constexpr int kDefaultVideoScale = 2;

class VideoWriter {
public:
    virtual ~VideoWriter() = default;

    // Adds a frame that is shown from startMs on. A frame given the same start as the frame
    // before replaces it (that one would be shown for no time at all). Start times must not
    // go back. False with `error` set when encoding or writing failed.
    virtual bool addFrame(const std::uint16_t* pixels, std::uint64_t startMs, std::string& error) = 0;
    // Adds `frames` stereo sample frames (left, right interleaved) after the sound given so far.
    virtual bool addSound(const std::int16_t* samples, std::size_t frames, std::string& error) = 0;
    // Shows the last frame until endMs, flushes the encoders, writes the file to its last byte
    // and puts it in place under its name. False with `error` set when any step failed.
    virtual bool finish(std::uint64_t endMs, std::string& error) = 0;
};

// Opens a writer for settings.path, choosing the format by its ending. Null with `error` set
// when the ending is not one this build writes, the settings are out of range, or the encoders
// or the file cannot be opened.
std::unique_ptr<VideoWriter> openVideoWriter(const VideoSettings& settings, std::string& error);
