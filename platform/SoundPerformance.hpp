// SoundPerformance: plays segments, looping without end, on its own default stereo source or
// on a 3D audio path. Starting a segment replaces what the performance plays and begins it
// from its first sample; stopping silences it at once.
#pragma once

#include "platform/AudioDevice.hpp"
#include "platform/SoundAudioPath.hpp"
#include "platform/SoundSegment.hpp"

#include <cstdint>
#include <memory>

// Plays segments. Starting a segment replaces what the performance plays and begins it from
// its first sample; stopping silences it at once.
class SoundPerformance {
public:
    SoundPerformance() = default;
    ~SoundPerformance();
    SoundPerformance(const SoundPerformance&) = delete;
    SoundPerformance& operator=(const SoundPerformance&) = delete;

    // Binds the performance to the device and makes its default stereo source.
    int initAudio(AudioDevice* device);
    // A new 3D path on this performance's device; null without a device.
    std::unique_ptr<SoundAudioPath> createStandardAudioPath();
    // Plays the segment on `path`, or on the default source when path is null.
    int playSegmentEx(SoundSegment* segment, SoundAudioPath* path);
    int stop(SoundSegment* segment);

private:
    friend class SoundSegment;
    AudioDevice* audio = nullptr;
    unsigned defaultSource = 0;
    unsigned playing = 0; // the source of the segment now playing, 0 when none
    std::uint64_t deviceSerial = 0; // the device bound by initAudio
    std::uint64_t defaultToken = 0;
    std::uint64_t playingToken = 0;
};
