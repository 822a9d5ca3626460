// SoundRegistry: the live devices, their sources and buffers; see the header.
#include "platform/openal/SoundRegistry.hpp"

#include <algorithm>

namespace openal {

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

SourceRecord* useSource(std::uint64_t token, DeviceRecord** where)
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

DeviceRecord* findDevice(const AudioDevice* device)
{
    auto& devices = liveDevices();
    auto it
        = std::find_if(devices.begin(), devices.end(), [device](const DeviceRecord& r) { return r.device == device; });
    return it != devices.end() ? &*it : nullptr;
}

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

} // namespace openal
