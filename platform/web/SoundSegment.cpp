// SoundSegment in the browser: a decoded wave of the page, played by id. The samples stay on
// the browser's side; the segment keeps the wave's id (`buffer`), its channels and its rate.
#include "platform/SoundSegment.hpp"

#include "platform/SoundPerformance.hpp"
#include "platform/web/WebAudio.hpp"

SoundSegment::~SoundSegment() = default;

int SoundSegment::frames() const
{
    return buffer != 0 ? webaudio::waveFrames(static_cast<int>(buffer)) : 0;
}

void SoundSegment::releaseBuffers()
{
    // The page owns its decoded waves; nothing is made per segment.
}

unsigned SoundSegment::bufferFor(bool)
{
    // The voice of a 3D path mixes its input to one channel itself.
    return buffer;
}

int SoundSegment::download(SoundPerformance& performance)
{
    return buffer != 0 && performance.audio != nullptr ? 0 : -1;
}
