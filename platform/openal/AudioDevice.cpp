// AudioDevice over OpenAL Soft: the default output device, or a loopback device rendered on
// demand through the ALC_SOFT_loopback extension. Opening also keeps the sound libraries' own
// error logs quiet, so that a machine without sound gets the program's one line only.
#include "platform/AudioDevice.hpp"

#include "platform/openal/SoundRegistry.hpp"

#include <AL/alext.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace openal;

namespace {

// Without a sound card, OpenAL Soft and the ALSA library below it print their own error lines
// while the program reports the failure in one line of its own. Their logs are turned off
// unless the user asked for OpenAL Soft's log; ALSA's handler is reached through dlopen so
// that nothing links against ALSA.
extern "C" void ignoreAlsaError(const char*, int, const char*, int, const char*, ...)
{}

void quietSoundLibraryLogs()
{
    if (std::getenv("ALSOFT_LOGLEVEL") != nullptr)
        return;
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    // The library stays loaded: unloading it would forget the handler before OpenAL opens it.
    if (void* alsa = dlopen("libasound.so.2", RTLD_LAZY)) {
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(&ignoreAlsaError);
    }
}
constexpr int kMaxRenderFrames = 1 << 22;

template <class Function> Function procAddress(ALCdevice* device, const char* name)
{
    static_assert(sizeof(Function) == sizeof(void*));
    void* address = alcGetProcAddress(device, name);
    Function function = nullptr;
    std::memcpy(&function, &address, sizeof function);
    return function;
}

std::unique_ptr<AudioDevice> finishOpen(std::unique_ptr<AudioDevice> device, ALCcontext* context)
{
    alcMakeContextCurrent(context);
    liveDevices().push_back(DeviceRecord{device.get(), nextSerial(), context, {}, {}});
    alGetError();
    return device;
}

} // namespace

std::unique_ptr<AudioDevice> AudioDevice::openOutput(std::string& error)
{
    quietSoundLibraryLogs();
    ALCdevice* alDevice = alcOpenDevice(nullptr);
    if (alDevice == nullptr) {
        error = "no sound device could be opened";
        return nullptr;
    }
    // The speakers get the mix a rendered run writes (see openLoopback): the sounds summed at
    // their gains, without the library's limiter, which would reshape a rare peak that the
    // rendered sound keeps, and which costs the mixing thread work on every sample.
    std::vector<ALCint> attributes;
    if (alcIsExtensionPresent(alDevice, "ALC_SOFT_output_limiter") == ALC_TRUE)
        attributes.insert(attributes.end(), {ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE});
    attributes.push_back(0);
    ALCcontext* context = alcCreateContext(alDevice, attributes.data());
    if (context == nullptr) {
        alcCloseDevice(alDevice);
        error = "the sound device could not be set up for playing";
        return nullptr;
    }
    std::unique_ptr<AudioDevice> device(new AudioDevice());
    device->device = alDevice;
    device->context = context;
    ALCint frequency = 0;
    alcGetIntegerv(alDevice, ALC_FREQUENCY, 1, &frequency);
    device->rate = frequency;
    return finishOpen(std::move(device), context);
}

std::unique_ptr<AudioDevice> AudioDevice::openLoopback(int rate, std::string& error)
{
    if (rate < 8000 || rate > maxSampleRate) {
        error = "unusable mixing rate " + std::to_string(rate);
        return nullptr;
    }
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) {
        error = "OpenAL offers no loopback device";
        return nullptr;
    }
    const auto openDevice = procAddress<LPALCLOOPBACKOPENDEVICESOFT>(nullptr, "alcLoopbackOpenDeviceSOFT");
    const auto isSupported = procAddress<LPALCISRENDERFORMATSUPPORTEDSOFT>(nullptr, "alcIsRenderFormatSupportedSOFT");
    const auto renderFunction = procAddress<LPALCRENDERSAMPLESSOFT>(nullptr, "alcRenderSamplesSOFT");
    if (openDevice == nullptr || isSupported == nullptr || renderFunction == nullptr) {
        error = "OpenAL offers no loopback device";
        return nullptr;
    }
    ALCdevice* alDevice = openDevice(nullptr);
    if (alDevice == nullptr) {
        error = "the loopback sound device could not be opened";
        return nullptr;
    }
    if (isSupported(alDevice, rate, ALC_STEREO_SOFT, ALC_SHORT_SOFT) != ALC_TRUE) {
        alcCloseDevice(alDevice);
        error = "the loopback sound device cannot mix 16-bit stereo at " + std::to_string(rate) + " Hz";
        return nullptr;
    }
    // Plain stereo panning without head-related filtering or a limiter, so that what is
    // rendered depends only on what is played.
    std::vector<ALCint> attributes
        = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT, ALC_FREQUENCY, rate};
    if (alcIsExtensionPresent(alDevice, "ALC_SOFT_HRTF") == ALC_TRUE)
        attributes.insert(attributes.end(), {ALC_HRTF_SOFT, ALC_FALSE});
    if (alcIsExtensionPresent(alDevice, "ALC_SOFT_output_limiter") == ALC_TRUE)
        attributes.insert(attributes.end(), {ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE});
    attributes.push_back(0);
    ALCcontext* context = alcCreateContext(alDevice, attributes.data());
    if (context == nullptr) {
        alcCloseDevice(alDevice);
        error = "the loopback sound device could not be set up for 16-bit stereo at " + std::to_string(rate) + " Hz";
        return nullptr;
    }
    std::unique_ptr<AudioDevice> device(new AudioDevice());
    device->device = alDevice;
    device->context = context;
    device->rate = rate;
    device->loopback = true;
    std::memcpy(&device->renderSamples, &renderFunction, sizeof renderFunction);
    return finishOpen(std::move(device), context);
}

AudioDevice::~AudioDevice()
{
    auto& devices = liveDevices();
    auto it = std::find_if(devices.begin(), devices.end(), [this](const DeviceRecord& r) { return r.device == this; });
    if (it != devices.end()) {
        makeCurrent(*it);
        for (SourceRecord& source : it->sources) {
            silence(source);
            alDeleteSources(1, &source.id);
        }
        if (!it->buffers.empty())
            alDeleteBuffers(static_cast<ALsizei>(it->buffers.size()), it->buffers.data());
        devices.erase(it);
    }
    auto* alContext = static_cast<ALCcontext*>(context);
    if (alcGetCurrentContext() == alContext)
        alcMakeContextCurrent(nullptr);
    alcDestroyContext(alContext);
    alcCloseDevice(static_cast<ALCdevice*>(device));
}

bool AudioDevice::render(int frames, std::vector<std::int16_t>& out)
{
    if (!loopback || renderSamples == nullptr || frames <= 0 || frames > kMaxRenderFrames)
        return false;
    LPALCRENDERSAMPLESSOFT renderFunction = nullptr;
    std::memcpy(&renderFunction, &renderSamples, sizeof renderFunction);
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(frames) * 2);
    renderFunction(static_cast<ALCdevice*>(device), out.data() + start, frames);
    return true;
}

void AudioDevice::setPaused(bool paused)
{
    auto* alDevice = static_cast<ALCdevice*>(device);
    if (loopback || alcIsExtensionPresent(alDevice, "ALC_SOFT_pause_device") != ALC_TRUE)
        return;
    if (paused) {
        if (const auto pause = procAddress<LPALCDEVICEPAUSESOFT>(alDevice, "alcDevicePauseSOFT"))
            pause(alDevice);
    } else if (const auto resume = procAddress<LPALCDEVICERESUMESOFT>(alDevice, "alcDeviceResumeSOFT")) {
        resume(alDevice);
    }
}

const char* AudioDevice::offlineMixingMissing()
{
    return "";
}
