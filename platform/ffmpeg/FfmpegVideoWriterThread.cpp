// FfmpegVideoWriter's encoder thread: takes the queued pictures and sound in order, converts
// the sound to the audio encoder's rate and sample format (libswresample) and cuts it into the
// encoder's frame size, encodes both, and hands every packet, with its picture's duration, to
// libavformat to interleave into the file. It stops at the end of the work, at its first
// failure (kept for the caller's thread to report), or when an unfinished writer is destroyed.
#include "platform/ffmpeg/FfmpegVideoWriter.hpp"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

void FfmpegVideoWriter::encodeLoop()
{
    for (;;) {
        Work item;
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [this] { return !work.empty() || stopping; });
            if (stopping)
                return;
            item = std::move(work.front());
            work.pop_front();
        }
        changed.notify_all();
        std::string error;
        const bool done = encode(item, error);
        std::lock_guard<std::mutex> hold(lock);
        if (item.picture != nullptr)
            spare.push_back(item.picture);
        if (!done)
            threadError = error;
        if (!done || item.end) {
            changed.notify_all();
            return;
        }
    }
}

bool FfmpegVideoWriter::encode(Work& item, std::string& error)
{
    if (item.picture != nullptr) {
        item.picture->pts = item.startMs;
        durations[item.startMs] = item.durationMs;
        return send(video, item.picture, videoStream, error);
    }
    if (item.end) {
        return send(video, nullptr, videoStream, error) && resample(nullptr, 0, error) && encodeSound(true, error)
            && send(audio, nullptr, audioStream, error);
    }
    const std::uint8_t* input[1] = {reinterpret_cast<const std::uint8_t*>(item.sound.data())};
    return resample(input, static_cast<int>(item.sound.size() / 2), error) && encodeSound(false, error);
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
