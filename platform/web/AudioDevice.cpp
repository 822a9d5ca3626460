// AudioDevice in the browser: the page's WebAudio context. It opens only where the browser
// gives one (not in node); it starts suspended until the user's first click, as browsers ask,
// which the page handles. There is no loopback mixing here: the replay tool's --wav is native.
#include "platform/AudioDevice.hpp"

#include "platform/web/WebAudio.hpp"

std::unique_ptr<AudioDevice> AudioDevice::openOutput(std::string& error)
{
    if (!webaudio::open()) {
        error = "the browser gives no audio context";
        return nullptr;
    }
    std::unique_ptr<AudioDevice> device(new AudioDevice);
    device->rate = webaudio::sampleRate();
    return device;
}

std::unique_ptr<AudioDevice> AudioDevice::openLoopback(int, std::string& error)
{
    error = offlineMixingMissing();
    return nullptr;
}

AudioDevice::~AudioDevice()
{
    webaudio::close();
}

bool AudioDevice::render(int, std::vector<std::int16_t>&)
{
    return false;
}

const char* AudioDevice::offlineMixingMissing()
{
    return "offline sound mixing is not part of the browser build";
}
