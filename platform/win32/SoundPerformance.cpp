// SoundPerformance, SoundAudioPath and Sound3DBuffer over DirectSound voices: a performance
// has a stereo voice of its own for its default path; a 3D path is a voice with 3D control,
// which its 3D buffer places. One segment plays at a time on a performance.
#include "platform/SoundPerformance.hpp"

#include "platform/win32/DirectSoundVoices.hpp"

void Sound3DBuffer::setMinDistance(float distance)
{
    dsound::setMinDistance(source, distance);
}

void Sound3DBuffer::setModeHeadRelative()
{
    dsound::setHeadRelative(source);
}

void Sound3DBuffer::setPosition(float x, float y, float z)
{
    dsound::setPosition(source, x, y, z);
}

SoundAudioPath::~SoundAudioPath()
{
    dsound::releaseVoice(source);
}

std::unique_ptr<Sound3DBuffer> SoundAudioPath::getBuffer3D()
{
    if (source == 0)
        return nullptr;
    return std::unique_ptr<Sound3DBuffer>(new Sound3DBuffer(source));
}

SoundPerformance::~SoundPerformance()
{
    if (playing != 0)
        dsound::stop(playing);
    dsound::releaseVoice(defaultSource);
}

int SoundPerformance::initAudio(AudioDevice* device)
{
    if (device == nullptr || audio != nullptr)
        return dsound::failed;
    defaultSource = dsound::createVoice(false);
    if (defaultSource == 0)
        return dsound::failed;
    audio = device;
    return 0;
}

std::unique_ptr<SoundAudioPath> SoundPerformance::createStandardAudioPath()
{
    if (audio == nullptr)
        return nullptr;
    const unsigned voice = dsound::createVoice(true);
    if (voice == 0)
        return nullptr;
    std::unique_ptr<SoundAudioPath> path(new SoundAudioPath);
    path->source = voice;
    return path;
}

int SoundPerformance::playSegmentEx(SoundSegment* segment, SoundAudioPath* path)
{
    if (segment == nullptr || audio == nullptr || segment->buffer == 0)
        return dsound::failed;
    const unsigned voice = path != nullptr ? path->source : defaultSource;
    if (voice == 0)
        return dsound::failed;
    if (playing != 0 && playing != voice)
        dsound::stop(playing);
    playing = 0;
    const auto token = reinterpret_cast<std::uintptr_t>(segment);
    if (!dsound::play(voice, token, segment->samples.data(), static_cast<std::size_t>(segment->frames()),
                      segment->channelCount, segment->frequency, segment->repeats < 0))
        return dsound::failed;
    playing = voice;
    playingToken = token;
    return 0;
}

int SoundPerformance::stop(SoundSegment* segment)
{
    if (segment == nullptr || audio == nullptr)
        return dsound::failed;
    // Only this segment is stopped; another one playing on the performance goes on.
    if (playing != 0 && playingToken == reinterpret_cast<std::uintptr_t>(segment)) {
        dsound::stop(playing, playingToken);
        playing = 0;
        playingToken = 0;
    }
    return 0;
}
