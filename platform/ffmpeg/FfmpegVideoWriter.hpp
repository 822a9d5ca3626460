// FfmpegVideoWriter: the VideoWriter over FFmpeg's libraries (libavformat, libavcodec,
// libswscale, libswresample): VP9 and Opus in WebM, or H.264 and AAC in MP4. It owns every
// library object it opens and the temporary file it writes into; destroying an unfinished
// writer removes that file. One picture is held back until the next frame's start says how
// long it is shown. Only this folder includes FFmpeg's headers.
#pragma once

#include "platform/VideoWriter.hpp"

#include <cstdint>
#include <map>
#include <string>

struct AVAudioFifo;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwrContext;
struct SwsContext;

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

    static Recipe recipeFor(VideoFormat format);
    bool openVideo(const Recipe& recipe, std::string& error);
    bool openAudio(const Recipe& recipe, std::string& error);
    bool encodePicture(std::uint64_t durationMs, std::string& error);
    // Converts `frames` input sample frames (none and a null input: what the converter holds).
    bool resample(const std::uint8_t** input, int frames, std::string& error);
    // Encodes whole encoder frames of the sound converted so far; `last` also the rest.
    bool encodeSound(bool last, std::string& error);
    // Sends a frame (null: the end) and writes every packet the encoder gives back.
    bool send(AVCodecContext* encoder, AVFrame* frame, AVStream* stream, std::string& error);
    bool fail(const std::string& what, int code, std::string& error) const;

    VideoSettings settings;
    std::string finalPath;
    std::string temporaryPath;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* picture = nullptr;
    AVFrame* sound = nullptr;
    AVPacket* packet = nullptr;

    bool havePending = false;
    std::uint64_t pendingMs = 0;
    std::int64_t soundPts = 0;
    std::map<std::int64_t, std::int64_t> durations; // by picture start, until its packet is written
};
