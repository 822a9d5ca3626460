// SoundSegment over DirectSound: the samples stay in the segment; a voice makes its own buffer
// of them when it plays the segment, so download only checks that a device is there.
#include "platform/SoundSegment.hpp"

#include "platform/SoundPerformance.hpp"
#include "platform/win32/DirectSoundVoices.hpp"

SoundSegment::~SoundSegment() = default;

int SoundSegment::frames() const
{
    return channelCount > 0 ? static_cast<int>(samples.size() / static_cast<std::size_t>(channelCount)) : 0;
}

void SoundSegment::releaseBuffers()
{
    buffer = 0;
}

unsigned SoundSegment::bufferFor(bool)
{
    return buffer;
}

int SoundSegment::download(SoundPerformance& performance)
{
    if (samples.empty() || channelCount < 1 || channelCount > 2 || performance.audio == nullptr)
        return dsound::failed;
    buffer = 1; // playable
    return 0;
}
