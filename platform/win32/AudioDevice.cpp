// AudioDevice over DirectSound: the default output device. There is no offline mixing on
// Windows (the replay tool's --wav and --video need the other systems' sound library), so a
// loopback device is refused with a reason. A machine (or Wine) without a sound device gets
// the failure, and the program runs silently.
#include "platform/AudioDevice.hpp"

#include "platform/win32/DirectSoundVoices.hpp"

#include <windows.h>

#include <mmsystem.h>
#include <dsound.h>

std::unique_ptr<AudioDevice> AudioDevice::openOutput(std::string& error)
{
    if (dsound::device() != nullptr) {
        error = "the sound device is already open";
        return nullptr;
    }
    IDirectSound* sound = nullptr;
    if (DirectSoundCreate(nullptr, &sound, nullptr) != DS_OK || sound == nullptr) {
        error = "no sound device can be opened";
        return nullptr;
    }
    // Normal cooperation needs a window only to name the program; its buffers play with
    // global focus, whichever window is in front.
    if (sound->SetCooperativeLevel(GetDesktopWindow(), DSSCL_NORMAL) != DS_OK) {
        sound->Release();
        error = "the sound device refuses to be shared";
        return nullptr;
    }
    dsound::setDevice(sound);
    std::unique_ptr<AudioDevice> device(new AudioDevice);
    device->device = sound;
    device->rate = 44100;
    return device;
}

std::unique_ptr<AudioDevice> AudioDevice::openLoopback(int, std::string& error)
{
    error = offlineMixingMissing();
    return nullptr;
}

AudioDevice::~AudioDevice()
{
    if (device == nullptr)
        return;
    dsound::releaseAllVoices();
    dsound::setDevice(nullptr);
    static_cast<IDirectSound*>(device)->Release();
}

bool AudioDevice::render(int, std::vector<std::int16_t>&)
{
    return false;
}

void AudioDevice::setPaused(bool paused)
{
    if (device != nullptr)
        dsound::pauseAll(paused);
}

const char* AudioDevice::offlineMixingMissing()
{
    return "this Windows build cannot mix sound offline (there is no OpenAL on Windows; the Linux build can)";
}
