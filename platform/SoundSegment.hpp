// SoundSegment: one loaded wave (16-bit samples, mono or stereo) and how often it repeats,
// made playable on a performance's device by download(). Made by SoundLoader only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class SoundPerformance;

// A loaded wave: 16-bit samples, one or two channels, and whether it repeats without end.
class SoundSegment {
public:
    ~SoundSegment();
    SoundSegment(const SoundSegment&) = delete;
    SoundSegment& operator=(const SoundSegment&) = delete;

    // Makes the segment playable on the performance's device.
    int download(SoundPerformance& performance);
    // A negative count repeats without end.
    void setRepeats(int count) { repeats = count; }
    int channels() const { return channelCount; }
    int frames() const;
    const std::string& path() const { return filePath; }

private:
    friend class SoundLoader;
    friend class SoundPerformance;
    SoundSegment() = default;
    unsigned bufferFor(bool mono);
    void releaseBuffers();

    std::vector<std::int16_t> samples;
    int channelCount = 0;
    int frequency = 0;
    int repeats = 0;
    std::string filePath;
    unsigned buffer = 0; // as loaded
    unsigned monoBuffer = 0; // mixed down for a 3D source, made when first needed
    std::uint64_t deviceSerial = 0; // the device holding the buffers
};
