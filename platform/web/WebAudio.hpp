// WebAudio: the calls the browser build's sound classes make into the page's WebAudio side
// (audio.js). Ids name waves and voices there; 0 is none. Without a browser audio context
// (node, or a page whose audio cannot start) open fails and nothing else is reached.
#pragma once

namespace webaudio {

bool open();
void close();
int sampleRate();
// The page's decoded wave of that file name, or 0.
int findWave(const char* name);
int waveFrames(int wave);
int waveChannels(int wave);
int waveRate(int wave);
// A voice to the speakers, placed in 3D when `spatial`.
int createVoice(bool spatial);
// Plays the wave from its start on the voice, replacing what it played; a negative count
// repeats without end. False when voice or wave is gone.
bool play(int voice, int wave, int repeats);
void stop(int voice);
void place(int voice, float x, float y, float z);
void setRefDistance(int voice, float distance);
void release(int voice);

} // namespace webaudio
