// FfmpegVideoWriter: the video writer over FFmpeg's libraries. Opening, the caller's side and
// the end: frames are enlarged and converted to YUV by YuvPicture on the caller's thread and
// queued, with the sound, for the encoder thread (FfmpegVideoWriterThread.cpp). Everything goes
// into a temporary file beside the target, which is renamed into place once the trailer is
// written and the file closed without error. Video time is in milliseconds.
#include "platform/ffmpeg/FfmpegVideoWriter.hpp"
#include "platform/ProcessGuards.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

// Which encoders, at which settings, each container gets.
struct FfmpegVideoWriter::Recipe {
    const char* muxer;
    const char* videoEncoder;
    const char* audioEncoder;
    int audioRate;
    AVSampleFormat audioFormat;
    std::int64_t audioBitRate;
};

FfmpegVideoWriter::Recipe FfmpegVideoWriter::recipeFor(VideoFormat format)
{
    if (format == VideoFormat::WebM)
        return {"webm", "libvpx-vp9", "libopus", 48000, AV_SAMPLE_FMT_S16, 128000};
    return {"mp4", "libx264", "aac", 44100, AV_SAMPLE_FMT_FLTP, 160000};
}

namespace {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// A temporary name in the target's folder, so that the final rename stays on one file system.
std::string temporaryNameBeside(const std::string& path, std::string& error)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string name = folder + "." + base + ".XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = path + ": cannot be written (" + std::string(std::strerror(errno)) + ")";
        return {};
    }
    // mkstemp makes the file private; the video gets the mode any new file would get.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return name;
}

// Pieces of work queued ahead of the encoder thread (a frame's picture and its sound are two):
// enough to ride over an encoder's uneven pace, little enough to hold in memory.
constexpr std::size_t kQueuedPieces = 8;

} // namespace

FfmpegVideoWriter::~FfmpegVideoWriter()
{
    if (encoderThread.joinable()) {
        {
            std::lock_guard<std::mutex> hold(lock);
            stopping = true;
        }
        changed.notify_all();
        encoderThread.join();
    }
    for (Work& item : work)
        av_frame_free(&item.picture);
    for (AVFrame*& frame : spare)
        av_frame_free(&frame);
    av_frame_free(&pending);
    if (format != nullptr && format->pb != nullptr)
        avio_closep(&format->pb);
    if (!temporaryPath.empty()) {
        std::remove(temporaryPath.c_str()); // not finished: nothing is left behind
        forgetTemporary(temporaryPath.c_str());
    }
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_free_context(format);
    swr_free(&resampler);
    if (fifo != nullptr)
        av_audio_fifo_free(fifo);
    av_frame_free(&sound);
    av_packet_free(&packet);
}

bool FfmpegVideoWriter::open(const VideoSettings& wanted, VideoFormat kind, std::string& error)
{
    settings = wanted;
    finalPath = wanted.path;
    const Recipe recipe = recipeFor(kind);
    temporaryPath = temporaryNameBeside(finalPath, error);
    if (temporaryPath.empty())
        return false;
    registerTemporary(temporaryPath.c_str());

    int result = avformat_alloc_output_context2(&format, nullptr, recipe.muxer, temporaryPath.c_str());
    if (result < 0 || format == nullptr)
        return fail("the " + std::string(recipe.muxer) + " container is not available", result, error);
    if (!openVideo(recipe, error) || !openAudio(recipe, error))
        return false;
    packet = av_packet_alloc();
    if (packet == nullptr)
        return fail("out of memory", AVERROR(ENOMEM), error);

    result = avio_open(&format->pb, temporaryPath.c_str(), AVIO_FLAG_WRITE);
    if (result < 0)
        return fail("cannot be written", result, error);
    AVDictionary* options = nullptr;
    if (kind == VideoFormat::Mp4)
        av_dict_set(&options, "movflags", "+faststart", 0); // the index first, so it plays while loading
    result = avformat_write_header(format, &options);
    av_dict_free(&options);
    if (result < 0)
        return fail("the file header could not be written", result, error);
    encoderThread = std::thread([this] { encodeLoop(); });
    return true;
}

bool FfmpegVideoWriter::openVideo(const Recipe& recipe, std::string& error)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(recipe.videoEncoder);
    if (codec == nullptr)
        return fail(std::string("the video encoder ") + recipe.videoEncoder + " is not available", 0, error);
    video = avcodec_alloc_context3(codec);
    videoStream = avformat_new_stream(format, nullptr);
    if (video == nullptr || videoStream == nullptr)
        return fail("out of memory", AVERROR(ENOMEM), error);

    video->width = settings.width * settings.scale;
    video->height = settings.height * settings.scale;
    // 4:2:0 (one colour sample for each 2 x 2 block) is the layout every browser and phone
    // plays; at the usual scale of 2 each sample covers exactly one scene pixel. Full colour
    // (4:4:4) is there for those who ask, though many players cannot play it.
    video->pix_fmt = settings.fullChroma ? AV_PIX_FMT_YUV444P : AV_PIX_FMT_YUV420P;
    video->time_base = AVRational{1, 1000};
    video->framerate = AVRational{1000, static_cast<int>(settings.nominalFrameMs)};
    video->sample_aspect_ratio = AVRational{1, 1};
    // Studio-range BT.709, said in the stream so that players convert back the same way.
    video->colorspace = AVCOL_SPC_BT709;
    video->color_primaries = AVCOL_PRI_BT709;
    video->color_trc = AVCOL_TRC_IEC61966_2_1;
    video->color_range = AVCOL_RANGE_MPEG;
    if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0)
        video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    // Settings measured on a 600-frame run at twice the scene's size on two cores (see
    // bench/video_speed.sh). H.264: x264's fastest analysis, but with the CABAC coder and 8x8
    // transforms (which make it High profile and a sixth smaller), the macroblock tree over five
    // frames ahead, which spends the bits on the sparks and keeps the still scene (ten frames
    // cost a tenth more time for 1.5 % less size), and the deblocking filter (a few percent
    // smaller at the same PSNR). No B-frames: beside the tree they saved almost nothing here and
    // cost about a seventh of the processor time. VP9: the real-time mode at its fastest speed,
    // rows and tile columns in parallel, tuned for screen content: a still picture with sharp
    // moving points is what that tuning is for, and it made the file about a quarter smaller
    // at 0.3 dB more PSNR. Each encoder uses every core.
    AVDictionary* options = nullptr;
    if (codec->id == AV_CODEC_ID_VP9) {
        video->bit_rate = 0;
        video->thread_count = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
        av_dict_set(&options, "crf", "32", 0);
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "row-mt", "1", 0);
        av_dict_set(&options, "tile-columns", "2", 0);
        av_dict_set(&options, "tune-content", "screen", 0);
    } else {
        video->thread_count = 0; // x264 chooses for the machine
        av_dict_set(&options, "preset", "ultrafast", 0);
        // Full colour is asked for by those who want every spark's colour: finer steps there.
        av_dict_set(&options, "crf", settings.fullChroma ? "16" : "22", 0);
        av_dict_set(&options, "x264-params", "cabac=1:8x8dct=1:bframes=0:mbtree=1:rc-lookahead=5:deblock=1", 0);
    }
    int result = avcodec_open2(video, codec, &options);
    av_dict_free(&options);
    if (result < 0)
        return fail(std::string("the video encoder ") + recipe.videoEncoder + " did not open", result, error);
    result = avcodec_parameters_from_context(videoStream->codecpar, video);
    if (result < 0)
        return fail("the video stream could not be described", result, error);
    videoStream->time_base = video->time_base;

    converter.emplace(settings.width, settings.height, settings.scale, settings.fullChroma);
    return true;
}

bool FfmpegVideoWriter::openAudio(const Recipe& recipe, std::string& error)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(recipe.audioEncoder);
    if (codec == nullptr)
        return fail(std::string("the audio encoder ") + recipe.audioEncoder + " is not available", 0, error);
    audio = avcodec_alloc_context3(codec);
    audioStream = avformat_new_stream(format, nullptr);
    sound = av_frame_alloc();
    if (audio == nullptr || audioStream == nullptr || sound == nullptr)
        return fail("out of memory", AVERROR(ENOMEM), error);

    av_channel_layout_default(&audio->ch_layout, 2);
    audio->sample_rate = recipe.audioRate;
    audio->sample_fmt = recipe.audioFormat;
    audio->bit_rate = recipe.audioBitRate;
    audio->time_base = AVRational{1, recipe.audioRate};
    if ((format->oformat->flags & AVFMT_GLOBALHEADER) != 0)
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // AAC's fast coder: its default search took twice the time (0.48 s against 0.21 s for the
    // sound of a 600-frame run), on the thread that also feeds the video encoder.
    AVDictionary* options = nullptr;
    if (codec->id == AV_CODEC_ID_AAC)
        av_dict_set(&options, "aac_coder", "fast", 0);
    int result = avcodec_open2(audio, codec, &options);
    av_dict_free(&options);
    if (result < 0)
        return fail(std::string("the audio encoder ") + recipe.audioEncoder + " did not open", result, error);
    result = avcodec_parameters_from_context(audioStream->codecpar, audio);
    if (result < 0)
        return fail("the audio stream could not be described", result, error);
    audioStream->time_base = audio->time_base;

    AVChannelLayout stereo{};
    av_channel_layout_default(&stereo, 2);
    result = swr_alloc_set_opts2(&resampler, &audio->ch_layout, audio->sample_fmt, audio->sample_rate, &stereo,
                                 AV_SAMPLE_FMT_S16, settings.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&stereo);
    if (result < 0 || (result = swr_init(resampler)) < 0)
        return fail("the sound converter could not be made", result, error);
    fifo = av_audio_fifo_alloc(audio->sample_fmt, 2, audio->frame_size > 0 ? audio->frame_size : 1024);
    if (fifo == nullptr)
        return fail("out of memory", AVERROR(ENOMEM), error);
    return true;
}

bool FfmpegVideoWriter::addFrame(const std::uint16_t* pixels, std::uint64_t startMs, std::string& error)
{
    if (pending != nullptr && startMs < pendingMs)
        return fail("a frame starts before the one before it", 0, error);
    if (pending != nullptr && startMs > pendingMs && !queuePicture(startMs - pendingMs, error))
        return false;
    if (pending == nullptr) {
        std::lock_guard<std::mutex> hold(lock);
        if (!spare.empty()) {
            pending = spare.back();
            spare.pop_back();
        }
    }
    if (pending == nullptr) {
        pending = av_frame_alloc();
        if (pending == nullptr)
            return fail("out of memory", AVERROR(ENOMEM), error);
        pending->format = video->pix_fmt;
        pending->width = video->width;
        pending->height = video->height;
        const int result = av_frame_get_buffer(pending, 0);
        if (result < 0)
            return fail("out of memory", result, error);
    }
    // The encoder may still hold a reference to this picture: write into a buffer of our own.
    const int result = av_frame_make_writable(pending);
    if (result < 0)
        return fail("out of memory", result, error);
    converter->convert(pixels, {pending->data[0], pending->data[1], pending->data[2]},
                       {pending->linesize[0], pending->linesize[1], pending->linesize[2]});
    pendingMs = startMs;
    return true;
}

bool FfmpegVideoWriter::queuePicture(std::uint64_t durationMs, std::string& error)
{
    Work item;
    item.picture = pending;
    item.startMs = static_cast<std::int64_t>(pendingMs);
    item.durationMs = static_cast<std::int64_t>(durationMs);
    pending = nullptr;
    return queue(std::move(item), error);
}

bool FfmpegVideoWriter::addSound(const std::int16_t* samples, std::size_t frames, std::string& error)
{
    Work item;
    item.sound.assign(samples, samples + frames * 2);
    return queue(std::move(item), error);
}

bool FfmpegVideoWriter::queue(Work item, std::string& error)
{
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [this] { return work.size() < kQueuedPieces || !threadError.empty(); });
    if (!threadError.empty()) {
        error = threadError;
        hold.unlock();
        av_frame_free(&item.picture);
        return false;
    }
    work.push_back(std::move(item));
    hold.unlock();
    changed.notify_all();
    return true;
}

bool FfmpegVideoWriter::finish(std::uint64_t endMs, std::string& error)
{
    if (pending == nullptr)
        return fail("the run showed no frame to write", 0, error);
    Work end;
    end.end = true;
    if (!queuePicture(endMs > pendingMs ? endMs - pendingMs : 1, error) || !queue(std::move(end), error))
        return false;
    encoderThread.join();
    if (!threadError.empty()) {
        error = threadError;
        return false;
    }
    int result = av_write_trailer(format);
    if (result < 0)
        return fail("the end of the file could not be written", result, error);
    // A write error stays on the context; the close reports its own. Both are checked, and the
    // bytes are on the disk before the name is given to them.
    avio_flush(format->pb);
    const int writeError = format->pb->error;
    result = avio_closep(&format->pb);
    if (writeError < 0 || result < 0)
        return fail("cannot be written", writeError < 0 ? writeError : result, error);
    const int fd = ::open(temporaryPath.c_str(), O_RDONLY);
    if (fd < 0 || fsync(fd) != 0) {
        if (fd >= 0)
            ::close(fd);
        return fail(std::string("cannot be written (") + std::strerror(errno) + ")", 0, error);
    }
    ::close(fd);
    if (std::rename(temporaryPath.c_str(), finalPath.c_str()) != 0)
        return fail(std::string("could not be put in place (") + std::strerror(errno) + ")", 0, error);
    forgetTemporary(temporaryPath.c_str());
    temporaryPath.clear();
    return true;
}

bool FfmpegVideoWriter::fail(const std::string& what, int code, std::string& error) const
{
    error = finalPath + ": " + what;
    if (code < 0)
        error += " (" + avError(code) + ")";
    return false;
}

std::unique_ptr<VideoWriter> openVideoWriter(const VideoSettings& settings, std::string& error)
{
    const VideoFormat kind = videoFormatFor(settings.path);
    if (kind == VideoFormat::Unknown) {
        error = settings.path + ": the video's name must end in .webm or .mp4";
        return nullptr;
    }
    if (settings.width <= 0 || settings.height <= 0 || settings.scale < 1 || settings.scale > kMaxVideoScale
        || settings.sampleRate <= 0 || settings.nominalFrameMs == 0) {
        error = settings.path + ": the video's size or sound rate is out of range";
        return nullptr;
    }
    av_log_set_level(AV_LOG_QUIET); // failures come back as results and are told in our own line
    auto writer = std::make_unique<FfmpegVideoWriter>();
    if (!writer->open(settings, kind, error))
        return nullptr;
    return writer;
}
