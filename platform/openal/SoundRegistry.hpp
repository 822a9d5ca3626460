// The registry of live sound devices and their sources, which every sound object goes through.
// Every object names its device by a serial number and every source by a token, both looked
// up here, so objects released in any order (a segment before the source still holding its
// buffer, a path after its performance, any of them after the device) neither touch freed
// OpenAL names nor leak them. Only the OpenAL backend includes this.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <cstdint>
#include <vector>

class AudioDevice;
class SoundPerformance;

namespace openal {

// What a failed sound step returns.
constexpr int failed = -1;
// The highest sample rate taken from a file or asked of a loopback device.
constexpr int maxSampleRate = 768000;

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

std::vector<DeviceRecord>& liveDevices();
// A new serial number or token, never 0 and never given twice.
std::uint64_t nextSerial();
void makeCurrent(const DeviceRecord& record);
// The live device with that serial, its context made current; null when it has been closed.
DeviceRecord* useDevice(std::uint64_t serial);
DeviceRecord* findDevice(const AudioDevice* device);
SourceRecord* findSource(DeviceRecord& record, std::uint64_t token);
// The live source with that token on any device, its context made current.
SourceRecord* useSource(std::uint64_t token, DeviceRecord** where = nullptr);
// A new source on the (current) device, registered; null when OpenAL cannot make one.
SourceRecord* addSource(DeviceRecord& record, const SoundPerformance* owner);
// Stops the source and takes its buffer from it.
void silence(SourceRecord& source);
void removeSource(DeviceRecord& record, std::uint64_t token);
// A new buffer of 16-bit samples on the (current) device, registered; 0 when it cannot be made.
ALuint makeBuffer(DeviceRecord& record, const std::int16_t* data, std::size_t count, int channels, int frequency);

} // namespace openal
