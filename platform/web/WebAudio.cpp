// WebAudio: thin forwarders to the page's sound side (audio.js, loaded before the program).
#include "platform/web/WebAudio.hpp"

#include <emscripten.h>

namespace {

EM_JS(int, jsOpen, (), { return Module.sparklerAudio.open(); });
EM_JS(void, jsClose, (), { Module.sparklerAudio.close(); });
EM_JS(int, jsSampleRate, (), { return Module.sparklerAudio.sampleRate(); });
EM_JS(int, jsFindWave, (const char* name), { return Module.sparklerAudio.findWave(UTF8ToString(name)); });
EM_JS(int, jsWaveInfo, (int wave, int what), {
    var buffer = Module.sparklerAudio.wave(wave);
    if (!buffer)
        return 0;
    return what == 0 ? buffer.length : what == 1 ? buffer.numberOfChannels : buffer.sampleRate;
});
EM_JS(int, jsCreateVoice, (int spatial), { return Module.sparklerAudio.createVoice(spatial != 0); });
EM_JS(int, jsPlay, (int voice, int wave, int repeats), { return Module.sparklerAudio.play(voice, wave, repeats); });
EM_JS(void, jsStop, (int voice), { Module.sparklerAudio.stop(voice); });
EM_JS(void, jsPlace, (int voice, float x, float y, float z), { Module.sparklerAudio.place(voice, x, y, z); });
EM_JS(void, jsSetRefDistance, (int voice, float distance), { Module.sparklerAudio.setRefDistance(voice, distance); });
EM_JS(void, jsRelease, (int voice), { Module.sparklerAudio.release(voice); });

} // namespace

namespace webaudio {

bool open()
{
    return jsOpen() != 0;
}
void close()
{
    jsClose();
}
int sampleRate()
{
    return jsSampleRate();
}
int findWave(const char* name)
{
    return name != nullptr ? jsFindWave(name) : 0;
}
int waveFrames(int wave)
{
    return jsWaveInfo(wave, 0);
}
int waveChannels(int wave)
{
    return jsWaveInfo(wave, 1);
}
int waveRate(int wave)
{
    return jsWaveInfo(wave, 2);
}
int createVoice(bool spatial)
{
    return jsCreateVoice(spatial ? 1 : 0);
}
bool play(int voice, int wave, int repeats)
{
    return jsPlay(voice, wave, repeats) != 0;
}
void stop(int voice)
{
    jsStop(voice);
}
void place(int voice, float x, float y, float z)
{
    jsPlace(voice, x, y, z);
}
void setRefDistance(int voice, float distance)
{
    jsSetRefDistance(voice, distance);
}
void release(int voice)
{
    jsRelease(voice);
}

} // namespace webaudio
