// Sound over OpenAL Soft. Every object names its device by a serial number and every source
// by a token, both looked up in a registry of live devices, so objects released in any order
// (a segment before the source still holding its buffer, a path after its performance, any of
// them after the device) neither touch freed OpenAL names nor leak them.
#include "platform/Sound.hpp"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <SDL.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kFailed = -1;

// Without a sound card, OpenAL Soft and the ALSA library below it print their own error lines
// while the program reports the failure in one line of its own. Their logs are turned off
// unless the user asked for OpenAL Soft's log; ALSA's handler is reached through dlopen so
// that nothing links against ALSA.
extern "C" void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

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
// Limits that keep a hostile or broken file from exhausting memory.
constexpr Uint32 kMaxWaveBytes = 256u << 20;
constexpr int kMaxSampleRate = 768000;
// A finite repeat count queues the wave that many times; more than this is cut short.
constexpr int kMaxQueuedRepeats = 4096;
constexpr int kMaxRenderFrames = 1 << 22;

struct SourceRecord {
    ALuint id = 0;
    std::uint64_t token = 0;
    const SoundPerformance* owner = nullptr; // the performance that plays on it, if still alive
    ALuint wave = 0; // the buffer last given to it, which OpenAL cannot always tell once played out
};

struct DeviceRecord {
    const AudioDevice* device = nullptr;
    std::uint64_t serial = 0;
    ALCcontext* context = nullptr;
    std::vector<SourceRecord> sources;
    std::vector<ALuint> buffers;
};

std::vector<DeviceRecord>& liveDevices()
{
    static std::vector<DeviceRecord> devices;
    return devices;
}

std::uint64_t nextSerial()
{
    static std::uint64_t counter = 0;
    return ++counter;
}

void makeCurrent(const DeviceRecord& record)
{
    if (alcGetCurrentContext() != record.context)
        alcMakeContextCurrent(record.context);
}

// The live device with that serial, its context made current; null when it has been closed.
DeviceRecord* useDevice(std::uint64_t serial)
{
    if (serial == 0)
        return nullptr;
    for (DeviceRecord& record : liveDevices())
        if (record.serial == serial) {
            makeCurrent(record);
            return &record;
        }
    return nullptr;
}

SourceRecord* findSource(DeviceRecord& record, std::uint64_t token)
{
    if (token == 0)
        return nullptr;
    for (SourceRecord& source : record.sources)
        if (source.token == token)
            return &source;
    return nullptr;
}

// The live source with that token on any device, its context made current.
SourceRecord* useSource(std::uint64_t token, DeviceRecord** where = nullptr)
{
    if (token == 0)
        return nullptr;
    for (DeviceRecord& record : liveDevices())
        if (SourceRecord* source = findSource(record, token)) {
            makeCurrent(record);
            if (where != nullptr)
                *where = &record;
            return source;
        }
    return nullptr;
}

// A new source on the (current) device, registered; null when OpenAL cannot make one.
SourceRecord* addSource(DeviceRecord& record, const SoundPerformance* owner)
{
    alGetError();
    ALuint id = 0;
    alGenSources(1, &id);
    if (alGetError() != AL_NO_ERROR || id == 0)
        return nullptr;
    record.sources.push_back(SourceRecord{id, nextSerial(), owner});
    return &record.sources.back();
}

void silence(SourceRecord& source)
{
    alSourceStop(source.id);
    alSourcei(source.id, AL_BUFFER, 0);
    source.wave = 0;
}

void removeSource(DeviceRecord& record, std::uint64_t token)
{
    auto it = std::find_if(record.sources.begin(), record.sources.end(),
                           [token](const SourceRecord& s) { return s.token == token; });
    if (it == record.sources.end())
        return;
    silence(*it);
    alDeleteSources(1, &it->id);
    record.sources.erase(it);
}

template <class Function>
Function procAddress(ALCdevice* device, const char* name)
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

bool isFile(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Where `name` lies: the working directory first, then the program's own directory.
std::string findFile(const char* name)
{
    const std::filesystem::path asGiven(name);
    if (isFile(asGiven))
        return asGiven.string();
    if (asGiven.is_absolute())
        return {};
    char* base = SDL_GetBasePath();
    if (base == nullptr)
        return {};
    const std::filesystem::path beside = std::filesystem::path(base) / asGiven;
    SDL_free(base);
    return isFile(beside) ? beside.string() : std::string();
}

std::string sdlReason()
{
    const char* reason = SDL_GetError();
    return reason != nullptr && *reason != '\0' ? std::string(" (") + reason + ")" : std::string();
}

} // namespace

// ---- AudioDevice ----------------------------------------------------------------------------

std::unique_ptr<AudioDevice> AudioDevice::openOutput(std::string& error)
{
    quietSoundLibraryLogs();
    ALCdevice* alDevice = alcOpenDevice(nullptr);
    if (alDevice == nullptr) {
        error = "no sound device could be opened";
        return nullptr;
    }
    ALCcontext* context = alcCreateContext(alDevice, nullptr);
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
    if (rate < 8000 || rate > kMaxSampleRate) {
        error = "unusable mixing rate " + std::to_string(rate);
        return nullptr;
    }
    if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") != ALC_TRUE) {
        error = "OpenAL offers no loopback device";
        return nullptr;
    }
    const auto openDevice = procAddress<LPALCLOOPBACKOPENDEVICESOFT>(nullptr, "alcLoopbackOpenDeviceSOFT");
    const auto isSupported =
        procAddress<LPALCISRENDERFORMATSUPPORTEDSOFT>(nullptr, "alcIsRenderFormatSupportedSOFT");
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
    std::vector<ALCint> attributes = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                      ALC_SHORT_SOFT,           ALC_FREQUENCY,   rate};
    if (alcIsExtensionPresent(alDevice, "ALC_SOFT_HRTF") == ALC_TRUE)
        attributes.insert(attributes.end(), {ALC_HRTF_SOFT, ALC_FALSE});
    if (alcIsExtensionPresent(alDevice, "ALC_SOFT_output_limiter") == ALC_TRUE)
        attributes.insert(attributes.end(), {ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE});
    attributes.push_back(0);
    ALCcontext* context = alcCreateContext(alDevice, attributes.data());
    if (context == nullptr) {
        alcCloseDevice(alDevice);
        error = "the loopback sound device could not be set up for 16-bit stereo at " + std::to_string(rate) +
                " Hz";
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

// ---- SoundSegment ---------------------------------------------------------------------------

SoundSegment::~SoundSegment()
{
    releaseBuffers();
}

int SoundSegment::frames() const
{
    return channelCount > 0 ? static_cast<int>(samples.size() / static_cast<std::size_t>(channelCount)) : 0;
}

void SoundSegment::releaseBuffers()
{
    DeviceRecord* record = useDevice(deviceSerial);
    if (record != nullptr) {
        // A source still holding one of the buffers would keep OpenAL from deleting it.
        for (SourceRecord& source : record->sources)
            if (source.wave != 0 && (source.wave == buffer || source.wave == monoBuffer))
                silence(source);
        for (ALuint name : {buffer, monoBuffer}) {
            if (name == 0)
                continue;
            alDeleteBuffers(1, &name);
            std::erase(record->buffers, name);
        }
    }
    buffer = 0;
    monoBuffer = 0;
    deviceSerial = 0;
}

namespace {

ALuint makeBuffer(DeviceRecord& record, const std::int16_t* data, std::size_t count, int channels, int frequency)
{
    alGetError();
    ALuint name = 0;
    alGenBuffers(1, &name);
    if (alGetError() != AL_NO_ERROR || name == 0)
        return 0;
    alBufferData(name, channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16, data,
                 static_cast<ALsizei>(count * sizeof(std::int16_t)), frequency);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteBuffers(1, &name);
        alGetError();
        return 0;
    }
    record.buffers.push_back(name);
    return name;
}

} // namespace

int SoundSegment::download(SoundPerformance& performance)
{
    if (samples.empty() || channelCount < 1 || channelCount > 2)
        return kFailed;
    if (useDevice(performance.deviceSerial) == nullptr)
        return kFailed;
    if (deviceSerial == performance.deviceSerial && buffer != 0)
        return 0;
    releaseBuffers(); // made for another device
    DeviceRecord* record = useDevice(performance.deviceSerial);
    if (record == nullptr)
        return kFailed;
    buffer = makeBuffer(*record, samples.data(), samples.size(), channelCount, frequency);
    if (buffer == 0)
        return kFailed;
    deviceSerial = record->serial;
    return 0;
}

unsigned SoundSegment::bufferFor(bool mono)
{
    if (buffer == 0 || !mono || channelCount == 1)
        return buffer;
    if (monoBuffer == 0) {
        DeviceRecord* record = useDevice(deviceSerial);
        if (record == nullptr)
            return 0;
        std::vector<std::int16_t> mixed(static_cast<std::size_t>(frames()));
        for (std::size_t i = 0; i < mixed.size(); ++i)
            mixed[i] = static_cast<std::int16_t>((samples[2 * i] + samples[2 * i + 1]) / 2);
        monoBuffer = makeBuffer(*record, mixed.data(), mixed.size(), 1, frequency);
    }
    return monoBuffer;
}

// ---- SoundLoader ----------------------------------------------------------------------------

std::unique_ptr<SoundSegment> SoundLoader::loadObjectFromFile(const char* name, std::string& error)
{
    if (name == nullptr || *name == '\0') {
        error = "no sound file was named";
        return nullptr;
    }
    const std::string path = findFile(name);
    if (path.empty()) {
        error = std::string(name) + ": not found in the working directory or beside the program";
        return nullptr;
    }
    SDL_RWops* stream = SDL_RWFromFile(path.c_str(), "rb");
    if (stream == nullptr) {
        error = path + ": cannot be opened" + sdlReason();
        return nullptr;
    }
    const Sint64 size = SDL_RWsize(stream);
    if (size < 0 || size > static_cast<Sint64>(kMaxWaveBytes) + 65536) {
        SDL_RWclose(stream);
        error = path + ": too large for a sound";
        return nullptr;
    }
    SDL_AudioSpec layout{};
    Uint8* data = nullptr;
    Uint32 length = 0;
    SDL_ClearError();
    if (SDL_LoadWAV_RW(stream, 1, &layout, &data, &length) == nullptr) {
        error = path + ": not a wave file" + sdlReason();
        return nullptr;
    }
    std::string problem;
    if (layout.channels < 1 || layout.channels > 2)
        problem = "has " + std::to_string(layout.channels) + " channels; only mono and stereo can be played";
    else if (layout.freq <= 0 || layout.freq > kMaxSampleRate)
        problem = "has an unusable sample rate of " + std::to_string(layout.freq) + " Hz";
    else if (length == 0 || data == nullptr)
        problem = "holds no samples";
    else if (length > kMaxWaveBytes)
        problem = "too large for a sound";
    SDL_AudioCVT convert{};
    if (problem.empty() && SDL_BuildAudioCVT(&convert, layout.format, layout.channels, layout.freq, AUDIO_S16SYS,
                                             layout.channels, layout.freq) < 0)
        problem = "its sample format cannot be converted" + sdlReason();
    if (!problem.empty()) {
        SDL_FreeWAV(data);
        error = path + ": " + problem;
        return nullptr;
    }
    std::vector<Uint8> bytes(data, data + length);
    SDL_FreeWAV(data);
    std::size_t converted = bytes.size();
    if (convert.needed != 0) {
        bytes.resize(static_cast<std::size_t>(length) * static_cast<std::size_t>(std::max(convert.len_mult, 1)));
        convert.buf = bytes.data();
        convert.len = static_cast<int>(length);
        if (SDL_ConvertAudio(&convert) != 0) {
            error = path + ": its samples cannot be converted" + sdlReason();
            return nullptr;
        }
        converted = static_cast<std::size_t>(std::max(convert.len_cvt, 0));
    }
    const std::size_t frameBytes = sizeof(std::int16_t) * layout.channels;
    const std::size_t frameCount = std::min(converted, bytes.size()) / frameBytes;
    if (frameCount == 0) {
        error = path + ": holds no samples";
        return nullptr;
    }
    std::unique_ptr<SoundSegment> segment(new SoundSegment());
    segment->samples.resize(frameCount * layout.channels);
    std::memcpy(segment->samples.data(), bytes.data(), frameCount * frameBytes);
    segment->channelCount = layout.channels;
    segment->frequency = layout.freq;
    segment->filePath = path;
    return segment;
}

// ---- Sound3DBuffer --------------------------------------------------------------------------

namespace {

// The source behind a 3D buffer, when both it and its device still exist.
bool placeable(std::uint64_t token, unsigned source)
{
    const SourceRecord* record = useSource(token);
    return record != nullptr && record->id == source && alIsSource(source) == AL_TRUE;
}

} // namespace

void Sound3DBuffer::setMinDistance(float distance)
{
    if (placeable(token, source) && distance > 0.0f)
        alSourcef(source, AL_REFERENCE_DISTANCE, distance);
}

void Sound3DBuffer::setModeHeadRelative()
{
    if (placeable(token, source))
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
}

void Sound3DBuffer::setPosition(float x, float y, float z)
{
    if (placeable(token, source))
        alSource3f(source, AL_POSITION, x, y, z);
}

// ---- SoundAudioPath -------------------------------------------------------------------------

SoundAudioPath::~SoundAudioPath()
{
    DeviceRecord* record = nullptr;
    if (useSource(token, &record) != nullptr)
        removeSource(*record, token);
}

std::unique_ptr<Sound3DBuffer> SoundAudioPath::getBuffer3D()
{
    if (useSource(token) == nullptr)
        return nullptr;
    std::unique_ptr<Sound3DBuffer> buffer(new Sound3DBuffer(source));
    buffer->token = token;
    return buffer;
}

// ---- SoundPerformance -----------------------------------------------------------------------

SoundPerformance::~SoundPerformance()
{
    DeviceRecord* record = useDevice(deviceSerial);
    if (record == nullptr)
        return;
    for (SourceRecord& source : record->sources)
        if (source.owner == this) {
            silence(source);
            source.owner = nullptr; // a path's source stays with its path
        }
    removeSource(*record, defaultToken);
}

int SoundPerformance::initAudio(AudioDevice* device)
{
    if (device == nullptr || useDevice(deviceSerial) != nullptr)
        return kFailed;
    auto& devices = liveDevices();
    auto it = std::find_if(devices.begin(), devices.end(), [device](const DeviceRecord& r) { return r.device == device; });
    if (it == devices.end())
        return kFailed;
    makeCurrent(*it);
    SourceRecord* source = addSource(*it, this);
    if (source == nullptr)
        return kFailed;
    // Plain stereo: the wave's own channels, not placed anywhere around the listener.
    alSourcei(source->id, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source->id, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source->id, AL_ROLLOFF_FACTOR, 0.0f);
    if (alIsExtensionPresent("AL_SOFT_direct_channels") == AL_TRUE)
        alSourcei(source->id, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    if (alIsExtensionPresent("AL_SOFT_source_spatialize") == AL_TRUE)
        alSourcei(source->id, AL_SOURCE_SPATIALIZE_SOFT, AL_FALSE);
    alGetError();
    deviceSerial = it->serial;
    defaultSource = source->id;
    defaultToken = source->token;
    playing = 0;
    playingToken = 0;
    return 0;
}

std::unique_ptr<SoundAudioPath> SoundPerformance::createStandardAudioPath()
{
    DeviceRecord* record = useDevice(deviceSerial);
    if (record == nullptr)
        return nullptr;
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    SourceRecord* source = addSource(*record, this);
    if (source == nullptr)
        return nullptr;
    alSourcei(source->id, AL_SOURCE_RELATIVE, AL_FALSE);
    alSource3f(source->id, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source->id, AL_ROLLOFF_FACTOR, 1.0f);
    alSourcef(source->id, AL_REFERENCE_DISTANCE, 1.0f);
    alGetError();
    std::unique_ptr<SoundAudioPath> path(new SoundAudioPath());
    path->source = source->id;
    path->token = source->token;
    return path;
}

int SoundPerformance::playSegmentEx(SoundSegment* segment, SoundAudioPath* path)
{
    if (segment == nullptr)
        return kFailed;
    DeviceRecord* record = useDevice(deviceSerial);
    if (record == nullptr || segment->deviceSerial != deviceSerial || segment->buffer == 0)
        return kFailed;
    SourceRecord* target = findSource(*record, path != nullptr ? path->token : defaultToken);
    if (target == nullptr || target->owner != this)
        return kFailed;
    // A positioned source is only placed when it plays one channel.
    const ALuint wave = segment->bufferFor(path != nullptr);
    if (wave == 0)
        return kFailed;

    if (playingToken != target->token)
        if (SourceRecord* previous = findSource(*record, playingToken); previous != nullptr)
            alSourceStop(previous->id);
    playing = 0;
    playingToken = 0;

    alGetError();
    silence(*target);
    if (segment->repeats < 0 || segment->repeats == 0) {
        alSourcei(target->id, AL_BUFFER, static_cast<ALint>(wave));
        alSourcei(target->id, AL_LOOPING, segment->repeats < 0 ? AL_TRUE : AL_FALSE);
    } else {
        const std::vector<ALuint> queue(static_cast<std::size_t>(std::min(segment->repeats, kMaxQueuedRepeats)) + 1,
                                        wave);
        alSourcei(target->id, AL_LOOPING, AL_FALSE);
        alSourceQueueBuffers(target->id, static_cast<ALsizei>(queue.size()), queue.data());
    }
    alSourcePlay(target->id);
    target->wave = wave;
    if (alGetError() != AL_NO_ERROR) {
        silence(*target);
        alGetError();
        return kFailed;
    }
    playing = target->id;
    playingToken = target->token;
    return 0;
}

int SoundPerformance::stop(SoundSegment* segment)
{
    if (segment == nullptr)
        return kFailed;
    DeviceRecord* record = useDevice(deviceSerial);
    if (record == nullptr)
        return kFailed;
    if (segment->deviceSerial != deviceSerial || segment->buffer == 0)
        return 0; // never made playable here, so nothing of it plays
    std::vector<ALuint> sounding;
    for (const SourceRecord& source : record->sources) {
        if (source.owner != this)
            continue;
        if (source.wave != 0 && (source.wave == segment->buffer || source.wave == segment->monoBuffer)) {
            sounding.push_back(source.id);
            if (source.token == playingToken) {
                playing = 0;
                playingToken = 0;
            }
        }
    }
    // All at once, so no instance outlives another by a mixing block.
    if (!sounding.empty())
        alSourceStopv(static_cast<ALsizei>(sounding.size()), sounding.data());
    alGetError();
    return 0;
}
