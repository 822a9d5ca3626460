// SoundPerformance, its 3D audio path and the path's 3D buffer over OpenAL: a performance owns a
// default stereo source; a path is one more source, positioned; see the headers.
#include "platform/SoundPerformance.hpp"

#include "platform/openal/SoundRegistry.hpp"

#include <AL/alext.h>

#include <algorithm>

using namespace openal;

namespace {

// A finite repeat count queues the wave that many times; more than this is cut short.
constexpr int kMaxQueuedRepeats = 4096;

} // namespace

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
        return failed;
    DeviceRecord* it = findDevice(device);
    if (it == nullptr)
        return failed;
    makeCurrent(*it);
    SourceRecord* source = addSource(*it, this);
    if (source == nullptr)
        return failed;
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
        return failed;
    DeviceRecord* record = useDevice(deviceSerial);
    if (record == nullptr || segment->deviceSerial != deviceSerial || segment->buffer == 0)
        return failed;
    SourceRecord* target = findSource(*record, path != nullptr ? path->token : defaultToken);
    if (target == nullptr || target->owner != this)
        return failed;
    // A positioned source is only placed when it plays one channel.
    const ALuint wave = segment->bufferFor(path != nullptr);
    if (wave == 0)
        return failed;

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
        return failed;
    }
    playing = target->id;
    playingToken = target->token;
    return 0;
}

int SoundPerformance::stop(SoundSegment* segment)
{
    if (segment == nullptr)
        return failed;
    DeviceRecord* record = useDevice(deviceSerial);
    if (record == nullptr)
        return failed;
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
