// FfmpegVideoWriter: the VideoWriter over FFmpeg's libraries (libavformat, libavcodec,
// libswresample): VP9 and Opus in WebM, or H.264 and AAC in MP4. The caller's thread converts
// each frame to YUV; a thread of the writer's own encodes and writes while the next frames are
// made, fed through a short queue (a full queue makes the caller wait for one picture). It owns
// every library object it opens, that thread and the temporary file it writes into; destroying
// an unfinished writer stops the thread and removes the file. One picture is held back until
// the next frame's start says how long it is shown. Only this folder includes FFmpeg's headers.
#pragma once

#include "platform/VideoWriter.hpp"
#include "platform/YuvPicture.hpp"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct AVAudioFifo;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwrContext;

class FfmpegVideoWriter : public VideoWriter {
public:
    FfmpegVideoWriter() = default;
    FfmpegVideoWriter(const FfmpegVideoWriter&) = delete;
    FfmpegVideoWriter& operator=(const FfmpegVideoWriter&) = delete;
    ~FfmpegVideoWriter() override;

    // Opens the encoders and the temporary file and writes the header. False with `error` set.
    bool open(const VideoSettings& settings, VideoFormat format, std::string& error);

    bool addFrame(const std::uint16_t* pixels, std::uint64_t startMs, std::string& error) override;
    bool addSound(const std::int16_t* samples, std::size_t frames, std::string& error) override;
    bool finish(std::uint64_t endMs, std::string& error) override;

private:
    struct Recipe; // the encoders and settings of one container
    // One piece of work for the encoder thread: a picture and how long it is shown, some sound,
    // or the end of both.
    struct Work {
        AVFrame* picture = nullptr;
        std::int64_t startMs = 0;
        std::int64_t durationMs = 0;
        std::vector<std::int16_t> sound;
        bool end = false;
    };

    static Recipe recipeFor(VideoFormat format);
    bool openVideo(const Recipe& recipe, std::string& error);
    bool openAudio(const Recipe& recipe, std::string& error);
    // Hands the pending picture, shown for `durationMs`, to the encoder thread.
    bool queuePicture(std::uint64_t durationMs, std::string& error);
    // Waits while the queue is full, then adds `work`; false with the encoder thread's error.
    bool queue(Work work, std::string& error);
    void encodeLoop(); // the encoder thread
    bool encode(Work& work, std::string& error);
    // Converts `frames` input sample frames (none and a null input: what the converter holds).
    bool resample(const std::uint8_t** input, int frames, std::string& error);
    // Encodes whole encoder frames of the sound converted so far; `last` also the rest.
    bool encodeSound(bool last, std::string& error);
    // Sends a frame (null: the end) and writes every packet the encoder gives back.
    bool send(AVCodecContext* encoder, AVFrame* frame, AVStream* stream, std::string& error);
    bool fail(const std::string& what, int code, std::string& error) const;

    VideoSettings settings;
    std::optional<YuvPicture> converter;
    std::string finalPath;
    std::string temporaryPath;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;

    AVFrame* pending = nullptr; // converted, waiting for the next frame's start
    std::uint64_t pendingMs = 0;
    std::int64_t soundPts = 0;
    std::map<std::int64_t, std::int64_t> durations; // by picture start, until its packet is written

    // Shared with the encoder thread, under `lock`.
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Work> work;
    std::vector<AVFrame*> spare; // pictures the encoder is done with, for the next frames
    std::string threadError; // the encoder thread's first failure; it stops there
    bool stopping = false; // an unfinished writer is being destroyed
    std::thread encoderThread;
};
