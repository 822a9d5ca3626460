// FfmpegVideoWriter: the video writer over FFmpeg's libraries. Frames are scaled (nearest
// neighbour) and converted to 4:2:0 YUV by libswscale; the sound is converted to the audio
// encoder's rate and sample format by libswresample and cut into its frame size; libavformat
// interleaves both into a temporary file beside the target, which is renamed into place once
// the trailer is written and the file closed without error. Video time is in milliseconds.
#include "platform/ffmpeg/FfmpegVideoWriter.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

} // namespace

FfmpegVideoWriter::~FfmpegVideoWriter()
{
    if (format != nullptr && format->pb != nullptr)
        avio_closep(&format->pb);
    if (!temporaryPath.empty())
        std::remove(temporaryPath.c_str()); // not finished: nothing is left behind
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_free_context(format);
    sws_freeContext(scaler);
    swr_free(&resampler);
    if (fifo != nullptr)
        av_audio_fifo_free(fifo);
    av_frame_free(&picture);
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
    return true;
}

bool FfmpegVideoWriter::openVideo(const Recipe& recipe, std::string& error)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(recipe.videoEncoder);
    if (codec == nullptr)
        return fail(std::string("the video encoder ") + recipe.videoEncoder + " is not available", 0, error);
    video = avcodec_alloc_context3(codec);
    videoStream = avformat_new_stream(format, nullptr);
    picture = av_frame_alloc();
    if (video == nullptr || videoStream == nullptr || picture == nullptr)
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

    // Constant quality, chosen so that single sparks on the dark background stay clean (a
    // decoded frame about 37 dB from the original). VP9's real-time mode encodes some six
    // times faster than its "good" mode here for a somewhat larger file.
    AVDictionary* options = nullptr;
    if (codec->id == AV_CODEC_ID_VP9) {
        video->bit_rate = 0;
        av_dict_set(&options, "crf", "28", 0);
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "row-mt", "1", 0);
    } else {
        av_dict_set(&options, "crf", "16", 0);
        av_dict_set(&options, "preset", "fast", 0);
    }
    int result = avcodec_open2(video, codec, &options);
    av_dict_free(&options);
    if (result < 0)
        return fail(std::string("the video encoder ") + recipe.videoEncoder + " did not open", result, error);
    result = avcodec_parameters_from_context(videoStream->codecpar, video);
    if (result < 0)
        return fail("the video stream could not be described", result, error);
    videoStream->time_base = video->time_base;

    picture->format = video->pix_fmt;
    picture->width = video->width;
    picture->height = video->height;
    result = av_frame_get_buffer(picture, 0);
    if (result < 0)
        return fail("out of memory", result, error);
    scaler = sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGB565, video->width, video->height,
                            video->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
    if (scaler == nullptr)
        return fail("the picture converter could not be made", 0, error);
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
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
    int result = avcodec_open2(audio, codec, nullptr);
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
    if (havePending && startMs < pendingMs)
        return fail("a frame starts before the one before it", 0, error);
    if (havePending && startMs > pendingMs && !encodePicture(startMs - pendingMs, error))
        return false;
    // The encoder may still hold the previous picture: write into a buffer of our own.
    int result = av_frame_make_writable(picture);
    if (result < 0)
        return fail("out of memory", result, error);
    const std::uint8_t* source[1] = {reinterpret_cast<const std::uint8_t*>(pixels)};
    const int sourceStride[1] = {settings.width * 2};
    sws_scale(scaler, source, sourceStride, 0, settings.height, picture->data, picture->linesize);
    havePending = true;
    pendingMs = startMs;
    return true;
}

bool FfmpegVideoWriter::encodePicture(std::uint64_t durationMs, std::string& error)
{
    picture->pts = static_cast<std::int64_t>(pendingMs);
    durations[picture->pts] = static_cast<std::int64_t>(durationMs);
    return send(video, picture, videoStream, error);
}

bool FfmpegVideoWriter::addSound(const std::int16_t* samples, std::size_t frames, std::string& error)
{
    const std::uint8_t* input[1] = {reinterpret_cast<const std::uint8_t*>(samples)};
    return resample(input, static_cast<int>(frames), error) && encodeSound(false, error);
}

bool FfmpegVideoWriter::resample(const std::uint8_t** input, int frames, std::string& error)
{
    const int room = swr_get_out_samples(resampler, frames);
    if (room < 0)
        return fail("the sound could not be converted", room, error);
    std::uint8_t** converted = nullptr;
    int result = av_samples_alloc_array_and_samples(&converted, nullptr, 2, room + 1, audio->sample_fmt, 0);
    if (result < 0)
        return fail("out of memory", result, error);
    const int made = swr_convert(resampler, converted, room + 1, input, frames);
    if (made > 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(converted), made) < made)
        result = AVERROR(ENOMEM);
    av_freep(&converted[0]);
    av_freep(&converted);
    if (made < 0 || result < 0)
        return fail("the sound could not be converted", made < 0 ? made : result, error);
    return true;
}

bool FfmpegVideoWriter::encodeSound(bool last, std::string& error)
{
    const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= frameSize || (last && av_audio_fifo_size(fifo) > 0)) {
        const int count = std::min(frameSize, av_audio_fifo_size(fifo));
        av_frame_unref(sound);
        sound->nb_samples = count;
        sound->format = audio->sample_fmt;
        sound->sample_rate = audio->sample_rate;
        int result = av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
        if (result >= 0)
            result = av_frame_get_buffer(sound, 0);
        if (result < 0)
            return fail("out of memory", result, error);
        if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(sound->data), count) < count)
            return fail("the sound could not be converted", 0, error);
        sound->pts = soundPts;
        soundPts += count;
        if (!send(audio, sound, audioStream, error))
            return false;
    }
    return true;
}

bool FfmpegVideoWriter::send(AVCodecContext* encoder, AVFrame* frame, AVStream* stream, std::string& error)
{
    int result = avcodec_send_frame(encoder, frame);
    if (result < 0)
        return fail("encoding failed", result, error);
    while ((result = avcodec_receive_packet(encoder, packet)) >= 0) {
        if (encoder == video) {
            // Each picture lasts until the next one starts; the encoders do not know that.
            auto known = durations.find(packet->pts);
            if (known != durations.end()) {
                packet->duration = known->second;
                durations.erase(known);
            }
        }
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        result = av_interleaved_write_frame(format, packet);
        if (result < 0)
            return fail("cannot be written", result, error);
    }
    if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
        return fail("encoding failed", result, error);
    return true;
}

bool FfmpegVideoWriter::finish(std::uint64_t endMs, std::string& error)
{
    if (!havePending)
        return fail("the run showed no frame to write", 0, error);
    if (!encodePicture(endMs > pendingMs ? endMs - pendingMs : 1, error))
        return false;
    havePending = false;
    if (!send(video, nullptr, videoStream, error) || !resample(nullptr, 0, error) || !encodeSound(true, error)
        || !send(audio, nullptr, audioStream, error))
        return false;
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
