// The voices of the DirectSound backend: one secondary buffer each, for a performance's plain
// stereo output or a 3D path (a mono buffer with 3D control). A voice is named by a number, so
// the sound classes keep their plain fields, and objects released in any order never touch a
// freed buffer. One device per process; only the Windows backend includes this.
#pragma once

#include <cstddef>
#include <cstdint>

struct IDirectSound;

namespace dsound {

constexpr int failed = -1;

// The open device, or null; set by the AudioDevice that opens it.
IDirectSound* device();
void setDevice(IDirectSound* device);

// A new voice on the device, 0 when there is none.
unsigned createVoice(bool spatial);
void releaseVoice(unsigned voice);
void releaseAllVoices();

// Plays interleaved 16-bit samples from the start, looping or not; `token` names what plays,
// for stop. A 3D voice mixes stereo to mono. False when the buffer could not be made.
bool play(unsigned voice, std::uintptr_t token, const std::int16_t* samples, std::size_t frames, int channels,
          int rate, bool loop);
// Stops the voice when it plays `token` (any token when 0).
void stop(unsigned voice, std::uintptr_t token = 0);
// Stops every voice that plays, keeping where each stood; with `paused` false, those go on
// from there, looping as they did.
void pauseAll(bool paused);

// The 3D placement of a voice, kept for the buffers it will be given later too.
void setMinDistance(unsigned voice, float distance);
void setHeadRelative(unsigned voice);
void setPosition(unsigned voice, float x, float y, float z);

} // namespace dsound
