// SoundLoader in the browser: the page fetches the two wave files with itself and has the
// browser decode them before the program starts, so loading a file is finding its decoded
// wave by name. A file that was missing or did not decode is named in the error.
#include "platform/SoundLoader.hpp"

#include "platform/web/WebAudio.hpp"

std::unique_ptr<SoundSegment> SoundLoader::loadObjectFromFile(const char* name, std::string& error)
{
    if (name == nullptr || *name == '\0') {
        error = "no file name";
        return nullptr;
    }
    const int wave = webaudio::findWave(name);
    if (wave == 0) {
        error = std::string(name) + ": not found beside the page, or not a wave the browser can decode";
        return nullptr;
    }
    std::unique_ptr<SoundSegment> segment(new SoundSegment);
    segment->buffer = static_cast<unsigned>(wave);
    segment->channelCount = webaudio::waveChannels(wave);
    segment->frequency = webaudio::waveRate(wave);
    segment->filePath = name;
    return segment;
}
