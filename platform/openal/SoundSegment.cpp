// SoundSegment over OpenAL: the wave's samples become a buffer on the performance's device,
// and a mono mix of a stereo wave is made when a 3D path first needs one.
#include "platform/SoundSegment.hpp"

#include "platform/SoundPerformance.hpp"
#include "platform/openal/SoundRegistry.hpp"

using namespace openal;

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

int SoundSegment::download(SoundPerformance& performance)
{
    if (samples.empty() || channelCount < 1 || channelCount > 2)
        return failed;
    if (useDevice(performance.deviceSerial) == nullptr)
        return failed;
    if (deviceSerial == performance.deviceSerial && buffer != 0)
        return 0;
    releaseBuffers(); // made for another device
    DeviceRecord* record = useDevice(performance.deviceSerial);
    if (record == nullptr)
        return failed;
    buffer = makeBuffer(*record, samples.data(), samples.size(), channelCount, frequency);
    if (buffer == 0)
        return failed;
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
