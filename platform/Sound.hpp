// Sound: the small classes the application plays its two sounds with, over OpenAL Soft.
// One AudioDevice (a real output device, or a loopback device rendered on demand for the
// replay tool and the tests) serves both performances. A loader reads a wave file into a
// segment; a performance plays segments, looping without end, on its own default stereo
// source or on a 3D audio path; the path's 3D buffer places that source every frame.
// No OpenAL type appears here, so the core can hold these objects without OpenAL headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SoundPerformance;

// An OpenAL device and context. Everything else here needs one that is open.
class AudioDevice {
public:
    // The default output device; null with `error` set when none can be opened.
    static std::unique_ptr<AudioDevice> openOutput(std::string& error);
    // A loopback device mixing 16-bit stereo at `rate` only when render() asks.
    static std::unique_ptr<AudioDevice> openLoopback(int rate, std::string& error);
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Loopback only: mixes `frames` stereo frames, appending interleaved left/right samples.
    bool render(int frames, std::vector<std::int16_t>& out);
    int sampleRate() const { return rate; }
    bool isLoopback() const { return loopback; }

private:
    AudioDevice() = default;
    void* device = nullptr;  // ALCdevice
    void* context = nullptr; // ALCcontext
    void* renderSamples = nullptr;
    int rate = 0;
    bool loopback = false;
};

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
    unsigned buffer = 0;     // as loaded
    unsigned monoBuffer = 0; // mixed down for a 3D source, made when first needed
    std::uint64_t deviceSerial = 0; // the device holding the buffers
};

// Reads wave files, looking in the working directory first and then beside the executable.
class SoundLoader {
public:
    // Null with `error` set when the file cannot be found or read as a wave.
    std::unique_ptr<SoundSegment> loadObjectFromFile(const char* name, std::string& error);
};

// The 3D buffer of an audio path: positions its source relative to the listener's head.
class Sound3DBuffer {
public:
    void setMinDistance(float distance);
    void setModeHeadRelative();
    void setPosition(float x, float y, float z);

private:
    friend class SoundAudioPath;
    explicit Sound3DBuffer(unsigned pathSource) : source(pathSource) {}
    unsigned source;
    std::uint64_t token = 0; // identifies the path's source while it lives
};

// A 3D audio path: one positioned source with inverse-distance-clamped rolloff of 1.
class SoundAudioPath {
public:
    ~SoundAudioPath();
    SoundAudioPath(const SoundAudioPath&) = delete;
    SoundAudioPath& operator=(const SoundAudioPath&) = delete;
    // The path's 3D buffer; null when the path has no source.
    std::unique_ptr<Sound3DBuffer> getBuffer3D();

private:
    friend class SoundPerformance;
    SoundAudioPath() = default;
    unsigned source = 0;
    std::uint64_t token = 0; // identifies the source while it lives
};

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
