// SoundPerformance, SoundAudioPath and Sound3DBuffer in the browser: a performance has a
// voice of its own for its default path; a 3D path is a voice with a panner, and its 3D buffer
// places that panner. One segment plays at a time on a performance, as natively.
#include "platform/SoundPerformance.hpp"

#include "platform/web/WebAudio.hpp"

namespace {
constexpr int failed = -1;
} // namespace

void Sound3DBuffer::setMinDistance(float distance)
{
    webaudio::setRefDistance(static_cast<int>(source), distance);
}

void Sound3DBuffer::setModeHeadRelative()
{
    // The listener is never moved from the origin, so every position is head-relative.
}

void Sound3DBuffer::setPosition(float x, float y, float z)
{
    webaudio::place(static_cast<int>(source), x, y, z);
}

SoundAudioPath::~SoundAudioPath()
{
    webaudio::release(static_cast<int>(source));
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
        webaudio::stop(static_cast<int>(playing));
    webaudio::release(static_cast<int>(defaultSource));
}

int SoundPerformance::initAudio(AudioDevice* device)
{
    if (device == nullptr || audio != nullptr)
        return failed;
    const int voice = webaudio::createVoice(false);
    if (voice == 0)
        return failed;
    audio = device;
    defaultSource = static_cast<unsigned>(voice);
    return 0;
}

std::unique_ptr<SoundAudioPath> SoundPerformance::createStandardAudioPath()
{
    if (audio == nullptr)
        return nullptr;
    const int voice = webaudio::createVoice(true);
    if (voice == 0)
        return nullptr;
    std::unique_ptr<SoundAudioPath> path(new SoundAudioPath);
    path->source = static_cast<unsigned>(voice);
    return path;
}

int SoundPerformance::playSegmentEx(SoundSegment* segment, SoundAudioPath* path)
{
    if (segment == nullptr || audio == nullptr || segment->buffer == 0)
        return failed;
    const unsigned voice = path != nullptr ? path->source : defaultSource;
    if (voice == 0)
        return failed;
    if (playing != 0 && playing != voice)
        webaudio::stop(static_cast<int>(playing));
    playing = 0;
    const int repeats = segment->repeats;
    if (!webaudio::play(static_cast<int>(voice), static_cast<int>(segment->buffer), repeats))
        return failed;
    playing = voice;
    playingToken = segment->buffer;
    return 0;
}

int SoundPerformance::stop(SoundSegment* segment)
{
    if (segment == nullptr || audio == nullptr)
        return failed;
    // Only this segment is stopped; another one playing on the performance goes on.
    if (playing != 0 && playingToken == segment->buffer) {
        webaudio::stop(static_cast<int>(playing));
        playing = 0;
        playingToken = 0;
    }
    return 0;
}
